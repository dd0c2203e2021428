#include "platform/xmpp/xmpp_upload.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QXmlStreamWriter>
#include <memory>
#include <mutex>

#include "log/categories.h"
#include "platform/xmpp/xmpp_stanzas.h"

namespace {
constexpr int transfer_timeout_ms = 30'000;

QString stanza_error(const QDomElement& reply) {
    if (reply.isNull()) return QStringLiteral("the server did not answer in time");
    const QDomElement error = reply.firstChildElement(QStringLiteral("error"));
    const QDomElement condition = error.firstChildElement();
    const QString text = error.firstChildElement(QStringLiteral("text")).text();
    return QStringLiteral("the server refused (%1)")
        .arg(text.isEmpty() ? condition.localName() : text);
}

// No answer, or a refusal the server itself calls passing.
bool may_pass(const QDomElement& reply) {
    return reply.isNull() ||
           reply.firstChildElement(QStringLiteral("error")).attribute(QStringLiteral("type")) ==
               QLatin1String("wait");
}
}  // namespace

struct XmppUpload::Results {
    std::mutex mutex;
    std::vector<std::function<void()>> ended;

    void add(std::function<void()> result) {
        const std::lock_guard lock(mutex);
        ended.push_back(std::move(result));
    }
    std::vector<std::function<void()>> take() {
        const std::lock_guard lock(mutex);
        return std::exchange(ended, {});
    }
};

XmppUpload::XmppUpload(AskIq ask, QString domain, QString ca_file)
    : ask_(std::move(ask)), domain_(std::move(domain)), results_(std::make_shared<Results>()) {
    // A self-hosted server's own CA is trusted for its web uploads too, besides the system's.
    if (!ca_file.isEmpty()) {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.addCaCertificates(QSslCertificate::fromPath(ca_file));
        QSslConfiguration::setDefaultConfiguration(ssl);
    }
    network_ = new QNetworkAccessManager();
    network_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, network_, &QObject::deleteLater);
    thread_.setObjectName(QStringLiteral("xmpp-upload"));
    thread_.start();
}

XmppUpload::~XmppUpload() {
    thread_.quit();
    thread_.wait();
}

void XmppUpload::abandon() {
    ++*generation_;
    searched_ = false;
    service_.clear();
    waiting_for_service_.clear();
    QMetaObject::invokeMethod(network_, [network = network_] {
        for (QNetworkReply* reply : network->findChildren<QNetworkReply*>()) reply->abort();
    });
}

void XmppUpload::take_results() {
    for (auto& result : results_->take()) result();
}

std::function<void(const QDomElement&)> XmppUpload::current(
    std::function<void(const QDomElement&)> answer) {
    return [generation = generation_, mine = *generation_,
            answer = std::move(answer)](const QDomElement& reply) {
        if (*generation == mine) answer(reply);
    };
}

void XmppUpload::upload(const QString& path, const Seal& seal, Done done) {
    find_service([this, path, seal, done = std::move(done)] {
        if (service_.isEmpty()) {
            if (service_answered_)
                done({}, QStringLiteral("the server offers no upload service"), false);
            else
                done({}, QStringLiteral("no upload slot: the server did not answer in time"), true);
            return;
        }
        request_slot(path, seal, done);
    });
}

// The service is one of the domain's items, or the domain itself; asked once per stream.
void XmppUpload::find_service(std::function<void()> then) {
    if (searched_) {
        then();
        return;
    }
    waiting_for_service_.push_back(std::move(then));
    if (waiting_for_service_.size() > 1) return;  // a search is under way
    service_answered_ = false;
    ask_info(domain_, [this](bool offers, bool answered) {
        service_answered_ = answered;
        if (offers) service_ = domain_;
        const auto finish = [this] {
            searched_ = service_answered_;  // no answer: asked again next time
            auto waiting = std::move(waiting_for_service_);
            waiting_for_service_.clear();
            for (auto& then : waiting) then();
        };
        if (offers)
            finish();
        else
            ask_items(finish);
    });
}

void XmppUpload::ask_items(std::function<void()> then) {
    const auto query = [](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("query"));
        w.writeDefaultNamespace(QLatin1String(xmpp::ns_disco_items));
        w.writeEndElement();
    };
    ask_(domain_, QStringLiteral("get"), query, current([this, then](const QDomElement& reply) {
             if (!reply.isNull()) service_answered_ = true;
             const QDomElement items =
                 xmpp::child(reply, QStringLiteral("query"), xmpp::ns_disco_items);
             auto left = std::make_shared<int>(0);
             for (QDomElement item = items.firstChildElement(QStringLiteral("item"));
                  !item.isNull(); item = item.nextSiblingElement(QStringLiteral("item")))
                 ++*left;
             if (*left == 0) then();
             for (QDomElement item = items.firstChildElement(QStringLiteral("item"));
                  !item.isNull(); item = item.nextSiblingElement(QStringLiteral("item"))) {
                 const QString jid = item.attribute(QStringLiteral("jid"));
                 ask_info(jid, [this, jid, left, then](bool offers, bool) {
                     if (offers && service_.isEmpty()) service_ = jid;
                     if (--*left == 0) then();
                 });
             }
         }));
}

void XmppUpload::ask_info(const QString& jid,
                          std::function<void(bool offers, bool answered)> answer) {
    const auto query = [](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("query"));
        w.writeDefaultNamespace(QLatin1String(xmpp::ns_disco_info));
        w.writeEndElement();
    };
    ask_(jid, QStringLiteral("get"), query, current([answer](const QDomElement& reply) {
             const QDomElement info =
                 xmpp::child(reply, QStringLiteral("query"), xmpp::ns_disco_info);
             for (QDomElement f = info.firstChildElement(QStringLiteral("feature")); !f.isNull();
                  f = f.nextSiblingElement(QStringLiteral("feature")))
                 if (f.attribute(QStringLiteral("var")) == QLatin1String(xmpp::ns_upload)) {
                     answer(true, true);
                     return;
                 }
             answer(false, !reply.isNull());
         }));
}

// Read (and sealed) once, before the slot is asked for: the slot is for exactly these bytes.
// A sealed file keeps its name, by which the apps know it is a picture, but not its type.
void XmppUpload::request_slot(const QString& path, const Seal& seal, Done done) {
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        done({}, QStringLiteral("the picture file is missing"), false);
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        done({}, QStringLiteral("cannot read the picture: ") + file.errorString(), false);
        return;
    }
    QByteArray data = file.readAll();
    if (seal) {
        auto sealed = seal(data);
        if (!sealed) {
            done({}, QStringLiteral("the picture could not be encrypted"), false);
            return;
        }
        data = std::move(*sealed);
    }
    const QString type =
        seal ? QStringLiteral("application/octet-stream") : QStringLiteral("image/jpeg");
    const auto request = [&](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("request"));
        w.writeDefaultNamespace(QLatin1String(xmpp::ns_upload));
        w.writeAttribute(QStringLiteral("filename"), QFileInfo(path).fileName());
        w.writeAttribute(QStringLiteral("size"), QString::number(data.size()));
        w.writeAttribute(QStringLiteral("content-type"), type);
        w.writeEndElement();
    };
    ask_(service_, QStringLiteral("get"), request,
         current([this, data, type, done](const QDomElement& reply) {
             const QDomElement slot = xmpp::child(reply, QStringLiteral("slot"), xmpp::ns_upload);
             if (reply.attribute(QStringLiteral("type")) != QLatin1String("result") ||
                 slot.isNull()) {
                 done({}, QStringLiteral("no upload slot: ") + stanza_error(reply),
                      may_pass(reply));
                 return;
             }
             put(data, type, slot, done);
         }));
}

void XmppUpload::put(const QByteArray& data, const QString& type, const QDomElement& slot,
                     Done done) {
    const QDomElement put_element = slot.firstChildElement(QStringLiteral("put"));
    const QString get_url = slot.firstChildElement(QStringLiteral("get")).attribute("url");
    QNetworkRequest request(QUrl(put_element.attribute(QStringLiteral("url"))));
    request.setTransferTimeout(transfer_timeout_ms);
    request.setHeader(QNetworkRequest::ContentTypeHeader, type);
    request.setHeader(QNetworkRequest::ContentLengthHeader, data.size());
    // Only these headers may come from the slot; others could be used against us.
    for (QDomElement h = put_element.firstChildElement(QStringLiteral("header")); !h.isNull();
         h = h.nextSiblingElement(QStringLiteral("header"))) {
        const QString name = h.attribute(QStringLiteral("name"));
        if (name.compare(QLatin1String("Authorization"), Qt::CaseInsensitive) == 0 ||
            name.compare(QLatin1String("Cookie"), Qt::CaseInsensitive) == 0 ||
            name.compare(QLatin1String("Expires"), Qt::CaseInsensitive) == 0)
            request.setRawHeader(name.toLatin1(), h.text().toUtf8());
    }
    // The transfer runs on its thread; only its outcome comes back here.
    const auto ended = [generation = generation_, mine = *generation_, get_url, done](
                           int status, const QString& error) {
        if (*generation != mine) return;
        if (error.isEmpty()) {
            done(get_url, {}, false);
            return;
        }
        qCWarning(xmpp_log) << "picture upload failed:" << error;
        // The server said no (a client error) and would again; anything else may pass.
        done({}, QStringLiteral("the upload failed (%1)").arg(error),
             status < 400 || status >= 500);
    };
    QMetaObject::invokeMethod(network_, [network = network_, request, data, ended,
                                         results = results_, here = &here_] {
        QNetworkReply* reply = network->put(request, data);
        QObject::connect(reply, &QNetworkReply::finished, reply, [reply, ended, results, here] {
            reply->deleteLater();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            QString error;
            if (reply->error() != QNetworkReply::NoError)
                error = reply->errorString();
            else if (status < 200 || status >= 300)
                error = QStringLiteral("HTTP status %1").arg(status);
            results->add([ended, status, error] { ended(status, error); });
            QMetaObject::invokeMethod(here, [results] {
                for (auto& result : results->take()) result();
            });
        });
    });
}
