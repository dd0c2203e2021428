#include "platform/xmpp/xmpp_stream.h"

#include <strophe.h>

#include <QDomDocument>
#include <QSocketNotifier>
#include <csignal>
#include <cstring>
#include <map>
#include <vector>

#include "log/categories.h"

namespace {
constexpr int timer_period_ms = 100;  // libstrophe's keepalive and stream-management timers

// The callbacks without a user pointer find their stream through its connection, or as the one
// whose pump is running.
std::map<xmpp_conn_t*, XmppStream*>& streams() {
    static std::map<xmpp_conn_t*, XmppStream*> all;
    return all;
}
XmppStream*& pumping() {
    static XmppStream* stream = nullptr;
    return stream;
}

QString text_of(xmpp_stanza_t* stanza) {
    char* buffer = nullptr;
    size_t length = 0;
    if (xmpp_stanza_to_text(stanza, &buffer, &length) != XMPP_EOK) return {};
    QString text = QString::fromUtf8(buffer, static_cast<qsizetype>(length));
    xmpp_free(xmpp_stanza_get_context(stanza), buffer);
    return text;
}

QString attribute(xmpp_stanza_t* stanza, const char* name) {
    const char* value = xmpp_stanza_get_attribute(stanza, name);
    return value ? QString::fromUtf8(value) : QString();
}

// Walks the stanza's tree, giving up as soon as it is over a bound; true when within them.
struct Weight {
    qsizetype bytes = 0;
    int elements = 0;
};
bool within_bounds(xmpp_stanza_t* stanza, int depth, Weight& weight) {
    if (depth > XmppStream::max_depth) return false;
    if (xmpp_stanza_is_text(stanza)) {
        const char* text = xmpp_stanza_get_text_ptr(stanza);
        weight.bytes += text ? static_cast<qsizetype>(qstrlen(text)) : 0;
        return weight.bytes <= XmppStream::max_bytes;
    }
    if (++weight.elements > XmppStream::max_elements) return false;
    const int count = xmpp_stanza_get_attribute_count(stanza);
    if (count > 0) {
        std::vector<const char*> attributes(static_cast<size_t>(count) * 2);
        xmpp_stanza_get_attributes(stanza, attributes.data(), count * 2);
        for (const char* text : attributes) weight.bytes += text ? qstrlen(text) : 0;
    }
    weight.bytes += qstrlen(xmpp_stanza_get_name(stanza));
    if (weight.bytes > XmppStream::max_bytes) return false;
    for (xmpp_stanza_t* child = xmpp_stanza_get_children(stanza); child;
         child = xmpp_stanza_get_next(child))
        if (!within_bounds(child, depth + 1, weight)) return false;
    return true;
}
}  // namespace

struct XmppStream::Callbacks {
    static void connection(xmpp_conn_t*, xmpp_conn_event_t event, int error,
                           xmpp_stream_error_t* stream_error, void* self) {
        auto* stream = static_cast<XmppStream*>(self);
        if (event == XMPP_CONN_CONNECT) {
            stream->connected_ = true;
            stream->secured_ = xmpp_conn_is_secured(stream->conn_) != 0;
            if (stream->on_connected) stream->on_connected();
            return;
        }
        if (stream_error && stream_error->type == XMPP_SE_NOT_AUTHORIZED)
            stream->fail(Failure::authentication, QStringLiteral("the server refused the login"));
        stream->disconnected(error);
    }

    static int stanza(xmpp_conn_t*, xmpp_stanza_t* stanza, void* self) {
        static_cast<XmppStream*>(self)->take(stanza);
        return 1;  // keep the handler
    }

    static int socket(xmpp_conn_t* conn, void* socket) {
        const auto found = streams().find(conn);
        if (found != streams().end()) found->second->watch_socket(*static_cast<int*>(socket));
        return xmpp_sockopt_cb_keepalive(conn, socket);
    }

    static int certificate(const xmpp_tlscert_t*, const char* error) {
        // Called from inside the handshake, so from the pump of the stream that is connecting.
        if (XmppStream* stream = pumping())
            stream->fail(Failure::certificate,
                         QStringLiteral("the server's certificate is not trusted (%1)")
                             .arg(QString::fromUtf8(error)));
        return 0;  // never connect to a server we cannot verify
    }

    // libstrophe says why a login failed only in its log.
    static void log(void* self, xmpp_log_level_t level, const char* area, const char* message) {
        auto* stream = static_cast<XmppStream*>(self);
        const QString text = QString::fromUtf8(message);
        // Lower levels show stanzas, the login among them: never logged.
        if (level < XMPP_LEVEL_WARN) return;
        if (text.contains(QLatin1String("TLS is not supported")))
            stream->fail(Failure::encryption,
                         QStringLiteral("the server offers no encryption, so the password was "
                                        "not sent"));
        if (qstrcmp(area, "auth") == 0 || text.contains(QLatin1String("uthentication fail")))
            stream->fail(Failure::authentication, QStringLiteral("the server refused the login"));
        // Only a handshake's verdict on the certificate; TLS errors of a lost stream are not.
        if (qstrcmp(area, "tls") == 0 && !stream->connected_ &&
            text.contains(QLatin1String("certificate"), Qt::CaseInsensitive))
            stream->fail(Failure::certificate,
                         QStringLiteral("the secure connection failed, the server's certificate "
                                        "is not trusted (%1)")
                             .arg(text));
        qCDebug(xmpp_log) << area << text;
    }
};

XmppStream::XmppStream() {
    // TLS writes to a server that has just gone would otherwise end the whole program.
    std::signal(SIGPIPE, SIG_IGN);
    xmpp_initialize();
    logger_ = std::make_unique<xmpp_log_t>(xmpp_log_t{&Callbacks::log, this});
    ctx_ = xmpp_ctx_new(nullptr, logger_.get());
    timers_.setInterval(timer_period_ms);
    QObject::connect(&timers_, &QTimer::timeout, [this] { pump(); });
}

XmppStream::~XmppStream() {
    on_disconnected = nullptr;
    on_stanza = nullptr;
    drop_connection();
    if (sm_state_) xmpp_free_sm_state(sm_state_);
    xmpp_ctx_free(ctx_);
}

bool XmppStream::open(const QString& jid, const QString& password, const QString& address,
                      quint16 port, const QString& ca_file) {
    drop_connection();
    failure_ = Failure::none;
    failure_text_.clear();
    conn_ = xmpp_conn_new(ctx_);
    streams()[conn_] = this;
    xmpp_conn_set_flags(conn_, XMPP_CONN_FLAG_MANDATORY_TLS);
    xmpp_conn_set_jid(conn_, jid.toUtf8().constData());
    xmpp_conn_set_pass(conn_, password.toUtf8().constData());
    if (!ca_file.isEmpty()) xmpp_conn_set_cafile(conn_, ca_file.toUtf8().constData());
    xmpp_conn_set_certfail_handler(conn_, &Callbacks::certificate);
    xmpp_conn_set_sockopt_callback(conn_, &Callbacks::socket);
    if (sm_state_) {
        // Handed over to the new connection, which owns it from now on.
        xmpp_conn_set_sm_state(conn_, sm_state_);
        sm_state_ = nullptr;
    }
    xmpp_handler_add(conn_, &Callbacks::stanza, nullptr, nullptr, nullptr, this);
    if (xmpp_connect_client(conn_, address.toUtf8().constData(), port, &Callbacks::connection,
                            this) != XMPP_EOK) {
        drop_connection();
        return false;
    }
    timers_.start();
    pump();
    return true;
}

void XmppStream::close() {
    if (!conn_) return;
    if (connected_) {
        xmpp_disconnect(conn_);
        pump();
    }
    drop_connection();
}

QString XmppStream::bound_jid() const {
    const char* bound = conn_ ? xmpp_conn_get_bound_jid(conn_) : nullptr;
    return bound ? QString::fromUtf8(bound) : QString();
}

void XmppStream::take(xmpp_stanza_t* stanza) {
    const char* name = xmpp_stanza_get_name(stanza);
    const xmpp::Head head{name ? QString::fromUtf8(name) : QString(), attribute(stanza, "type"),
                          attribute(stanza, "from"), attribute(stanza, "id")};
    Weight weight;
    if (!within_bounds(stanza, 0, weight)) {
        qCWarning(xmpp_log) << "dropped a stanza from" << xmpp::bare(head.from)
                            << "that is too large or too deeply nested";
        return;
    }
    if (admit && !admit(head)) return;
    QDomDocument document;
    if (on_stanza && document.setContent(text_of(stanza), true))
        on_stanza(document.documentElement());
}

void XmppStream::receive_text(const QString& xml) {
    xmpp_stanza_t* stanza = xmpp_stanza_new_from_string(ctx_, xml.toUtf8().constData());
    if (!stanza) return;
    take(stanza);
    xmpp_stanza_release(stanza);
}

QString XmppStream::describe_loss(int error, bool was_connected, bool secured) {
    if (!was_connected)
        return error == 0 ? QStringLiteral("could not connect to the server")
                          : QStringLiteral("could not connect to the server (%1)")
                                .arg(QString::fromLocal8Bit(strerror(error)));
    if (error == 0) return QStringLiteral("the server closed the connection");
    if (secured) return QStringLiteral("the connection to the server was lost");
    return QString::fromLocal8Bit(strerror(error));
}

void XmppStream::send(const QString& stanza_xml) {
    if (!conn_ || !connected_) return;
    xmpp_stanza_t* stanza = xmpp_stanza_new_from_string(ctx_, stanza_xml.toUtf8().constData());
    if (!stanza) {
        qCWarning(xmpp_log) << "could not build a stanza to send";
        return;
    }
    xmpp_send(conn_, stanza);
    xmpp_stanza_release(stanza);
    sent_meanwhile_ = true;
    pump();
}

// Lets libstrophe do what it can without waiting: read, write, fire its timers. It may call
// back into us (and through us into anything) from here, but never re-enters itself.
bool XmppStream::work_for(int ms) {
    if (pumping_ || !conn_) return false;
    pump(ms);
    return true;
}

void XmppStream::pump(int wait_ms) {
    if (pumping_ || !conn_) return;
    pumping_ = true;
    pumping() = this;
    // What a handler sent while we were in libstrophe goes out now, not at the next tick.
    for (int round = 0; round < 4 && conn_; ++round) {
        sent_meanwhile_ = false;
        xmpp_run_once(ctx_, round == 0 ? static_cast<unsigned long>(wait_ms) : 0);
        if (!sent_meanwhile_) break;
    }
    pumping() = nullptr;
    pumping_ = false;
}

void XmppStream::watch_socket(int fd) {
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { pump(); });
}

void XmppStream::fail(Failure failure, const QString& why) {
    if (failure_ != Failure::none) return;  // the first cause is the one to tell
    failure_ = failure;
    failure_text_ = why;
}

void XmppStream::disconnected(int error) {
    const bool was_connected = connected_;
    connected_ = false;
    notifier_.reset();
    // What the server has not acknowledged goes with us to the next stream.
    if (was_connected && failure_ == Failure::none) {
        if (sm_state_) xmpp_free_sm_state(sm_state_);
        sm_state_ = xmpp_conn_get_sm_state(conn_);
    }
    if (failure_ == Failure::none)
        fail(Failure::network, describe_loss(error, was_connected, secured_));
    secured_ = false;
    const Failure failure = failure_;
    const QString why = failure_text_;
    // The connection is released later: we are inside one of its callbacks.
    QTimer::singleShot(0, &timers_, [this, conn = conn_] {
        if (conn == conn_) drop_connection();
    });
    if (on_disconnected) on_disconnected(failure, why);
}

void XmppStream::drop_connection() {
    timers_.stop();
    notifier_.reset();
    connected_ = false;
    if (!conn_) return;
    streams().erase(conn_);
    xmpp_conn_release(conn_);
    conn_ = nullptr;
}
