#include "platform/xmpp/xmpp_upload.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QXmlStreamWriter>
#include <memory>

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
}  // namespace

XmppUpload::XmppUpload(AskIq ask, QString domain, QString ca_file)
    : ask_(std::move(ask)), domain_(std::move(domain)) {
    // A self-hosted server's own CA is trusted for its web uploads too, besides the system's.
    if (!ca_file.isEmpty()) {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.addCaCertificates(QSslCertificate::fromPath(ca_file));
        QSslConfiguration::setDefaultConfiguration(ssl);
    }
}

void XmppUpload::upload(const QString& path, Done done) {
    find_service([this, path, done = std::move(done)] {
        if (service_.isEmpty()) {
            done({}, QStringLiteral("the server offers no upload service"));
            return;
        }
        request_slot(path, done);
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
    ask_info(domain_, [this](bool offers) {
        if (offers) service_ = domain_;
        const auto finish = [this] {
            searched_ = true;
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
    ask_(domain_, QStringLiteral("get"), query, [this, then](const QDomElement& reply) {
        const QDomElement items = xmpp::child(reply, QStringLiteral("query"), xmpp::ns_disco_items);
        auto left = std::make_shared<int>(0);
        for (QDomElement item = items.firstChildElement(QStringLiteral("item")); !item.isNull();
             item = item.nextSiblingElement(QStringLiteral("item")))
            ++*left;
        if (*left == 0) then();
        for (QDomElement item = items.firstChildElement(QStringLiteral("item")); !item.isNull();
             item = item.nextSiblingElement(QStringLiteral("item"))) {
            const QString jid = item.attribute(QStringLiteral("jid"));
            ask_info(jid, [this, jid, left, then](bool offers) {
                if (offers && service_.isEmpty()) service_ = jid;
                if (--*left == 0) then();
            });
        }
    });
}

void XmppUpload::ask_info(const QString& jid, std::function<void(bool offers)> answer) {
    const auto query = [](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("query"));
        w.writeDefaultNamespace(QLatin1String(xmpp::ns_disco_info));
        w.writeEndElement();
    };
    ask_(jid, QStringLiteral("get"), query, [answer](const QDomElement& reply) {
        const QDomElement info = xmpp::child(reply, QStringLiteral("query"), xmpp::ns_disco_info);
        for (QDomElement f = info.firstChildElement(QStringLiteral("feature")); !f.isNull();
             f = f.nextSiblingElement(QStringLiteral("feature")))
            if (f.attribute(QStringLiteral("var")) == QLatin1String(xmpp::ns_upload)) {
                answer(true);
                return;
            }
        answer(false);
    });
}

void XmppUpload::request_slot(const QString& path, Done done) {
    const QFileInfo file(path);
    if (!file.isFile()) {
        done({}, QStringLiteral("the picture file is missing"));
        return;
    }
    const auto request = [&file](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("request"));
        w.writeDefaultNamespace(QLatin1String(xmpp::ns_upload));
        w.writeAttribute(QStringLiteral("filename"), file.fileName());
        w.writeAttribute(QStringLiteral("size"), QString::number(file.size()));
        w.writeAttribute(QStringLiteral("content-type"), QStringLiteral("image/jpeg"));
        w.writeEndElement();
    };
    ask_(service_, QStringLiteral("get"), request, [this, path, done](const QDomElement& reply) {
        const QDomElement slot = xmpp::child(reply, QStringLiteral("slot"), xmpp::ns_upload);
        if (reply.attribute(QStringLiteral("type")) != QLatin1String("result") || slot.isNull()) {
            done({}, QStringLiteral("no upload slot: ") + stanza_error(reply));
            return;
        }
        put(path, slot, done);
    });
}

void XmppUpload::put(const QString& path, const QDomElement& slot, Done done) {
    const QDomElement put_element = slot.firstChildElement(QStringLiteral("put"));
    const QString get_url = slot.firstChildElement(QStringLiteral("get")).attribute("url");
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        done({}, QStringLiteral("cannot read the picture: ") + file->errorString());
        return;
    }
    QNetworkRequest request(QUrl(put_element.attribute(QStringLiteral("url"))));
    request.setTransferTimeout(transfer_timeout_ms);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("image/jpeg"));
    request.setHeader(QNetworkRequest::ContentLengthHeader, file->size());
    // Only these headers may come from the slot; others could be used against us.
    for (QDomElement h = put_element.firstChildElement(QStringLiteral("header")); !h.isNull();
         h = h.nextSiblingElement(QStringLiteral("header"))) {
        const QString name = h.attribute(QStringLiteral("name"));
        if (name.compare(QLatin1String("Authorization"), Qt::CaseInsensitive) == 0 ||
            name.compare(QLatin1String("Cookie"), Qt::CaseInsensitive) == 0 ||
            name.compare(QLatin1String("Expires"), Qt::CaseInsensitive) == 0)
            request.setRawHeader(name.toLatin1(), h.text().toUtf8());
    }
    QNetworkReply* reply = network_.put(request, file.get());
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, file, get_url, done] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError || status < 200 || status >= 300) {
            qCWarning(xmpp_log) << "picture upload failed:" << reply->errorString();
            done({}, QStringLiteral("the upload failed (%1)").arg(reply->errorString()));
            return;
        }
        done(get_url, {});
    });
}
