#pragma once

#include <QDomElement>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "platform/xmpp/xmpp_stanzas.h"

class QSocketNotifier;
struct _xmpp_ctx_t;
struct _xmpp_conn_t;
struct _xmpp_sm_t;
struct _xmpp_stanza_t;

// One XMPP client stream over libstrophe, on the Qt event loop of the calling thread: the only
// code that touches libstrophe. Its socket is watched by a notifier, its own timers (keepalive,
// stream management) by a short timer, and every send is pumped out at once; nothing waits.
// The address it is given is already resolved, so libstrophe never looks anything up itself.
//
// Stanzas come and go as XML: received ones as elements, sent ones as text. Stream management
// is kept across connections, so a stream resumed after a drop gets back what was unacknowledged.
// A received stanza is weighed and shown to `admit` before it costs a document: anyone who knows
// the address can send one.
class XmppStream {
  public:
    // `encryption`: the server offers no TLS, and the login is never sent in the clear.
    enum class Failure { none, network, authentication, certificate, encryption };

    // What one stanza may cost: far above any conversation, call or upload answer.
    static constexpr int max_depth = 16;
    static constexpr qsizetype max_bytes = 64 * 1024;
    static constexpr int max_elements = 1000;

    XmppStream();
    ~XmppStream();
    XmppStream(const XmppStream&) = delete;
    XmppStream& operator=(const XmppStream&) = delete;

    // Opens the stream for `jid` at `address`:`port` (a numeric address). The TLS certificate is
    // checked for the JID's domain against the system's CAs and `ca_file` when given.
    bool open(const QString& jid, const QString& password, const QString& address, quint16 port,
              const QString& ca_file);
    void close();
    // The JID the server bound, resource included.
    QString bound_jid() const;

    void send(const QString& stanza_xml);
    // Lets the stream work (read, write, its timers) for up to `ms`, waiting on its socket, for
    // when the thread's event loop cannot run. False, at once, when there is no connection.
    bool work_for(int ms);

    // Who sets its hooks: XmppClient, which owns the stream and hands its stanzas to the owner
    // side.
    std::function<void()> on_connected;
    std::function<void(Failure failure, const QString& why)> on_disconnected;
    std::function<void(const QDomElement& stanza)> on_stanza;
    // Whether a stanza is worth parsing; without it every one within the bounds is.
    std::function<bool(const xmpp::Head& head)> admit;

    // A stanza as text, taken as if it had come from the server (for tests and the fuzzer).
    void receive_text(const QString& xml);
    // Why a stream ended, from libstrophe's error: a socket's errno before TLS is up; once it
    // is, the TLS library's own code, which is no errno at all. A refused connection comes with
    // no error.
    static QString describe_loss(int error, bool was_connected, bool secured);

  private:
    struct Callbacks;  // libstrophe's C callbacks, in the source file
    friend struct Callbacks;

    void take(_xmpp_stanza_t* stanza);
    void pump(int wait_ms = 0);
    void watch_socket(int fd);
    void drop_connection();
    void disconnected(int error);
    void fail(Failure failure, const QString& why);

    _xmpp_ctx_t* ctx_ = nullptr;
    _xmpp_conn_t* conn_ = nullptr;
    _xmpp_sm_t* sm_state_ = nullptr;  // from the last stream, to resume
    std::unique_ptr<struct _xmpp_log_t> logger_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer timers_;
    bool connected_ = false;
    bool secured_ = false;
    bool pumping_ = false;
    bool sent_meanwhile_ = false;
    Failure failure_ = Failure::none;
    QString failure_text_;
};
