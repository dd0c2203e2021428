#pragma once

#include <QDomElement>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

class QSocketNotifier;
struct _xmpp_ctx_t;
struct _xmpp_conn_t;
struct _xmpp_sm_t;

// One XMPP client stream over libstrophe, on the Qt event loop of the calling thread: the only
// code that touches libstrophe. Its socket is watched by a notifier, its own timers (keepalive,
// stream management) by a short timer, and every send is pumped out at once; nothing waits.
// The address it is given is already resolved, so libstrophe never looks anything up itself.
//
// Stanzas come and go as XML: received ones as elements, sent ones as text. Stream management
// is kept across connections, so a stream resumed after a drop gets back what was unacknowledged.
class XmppStream {
  public:
    enum class Failure { none, network, authentication, certificate };

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

    std::function<void()> on_connected;
    std::function<void(Failure failure, const QString& why)> on_disconnected;
    std::function<void(const QDomElement& stanza)> on_stanza;

  private:
    struct Callbacks;  // libstrophe's C callbacks, in the source file
    friend struct Callbacks;

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
    bool pumping_ = false;
    bool sent_meanwhile_ = false;
    Failure failure_ = Failure::none;
    QString failure_text_;
};
