#pragma once

#include <QDateTime>
#include <QDomElement>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "client/far_side.h"
#include "platform/xmpp/xmpp_outbox.h"
#include "platform/xmpp/xmpp_roster.h"
#include "platform/xmpp/xmpp_upload.h"

class ClientCore;

// The people on the far side of the client as an XMPP account sees them. Chat lines, pictures
// and calls of the machine become messages, uploads and call proposals; what the account's
// contacts send becomes the client's lines. Only contacts with a mutual subscription are heard;
// delayed commands older than the staleness limit are not obeyed; messages that come before the
// roster wait for it.
class XmppOwnerSide : public FarSide {
  public:
    struct Options {
        QString domain;
        QString ca_file;
        int stale_minutes = 10;
    };

    XmppOwnerSide(ClientCore& client, Options options);
    ~XmppOwnerSide() override;

    // ---- the stream
    std::function<void(const QString& stanza)> send;
    void stream_up(const QString& own_jid);
    void stream_down();
    void receive(const QDomElement& stanza);

    // A JPEG file of what the camera sees now, handed to `done` (empty path when there is none).
    std::function<void(std::function<void(const QString& path)> done)> take_live_picture;
    // The program's call target, when known better than from its commands.
    std::function<QString()> call_target;
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTimeUtc(); };
    // How long the program lets its calls ring, in ms (when unknown, the outbox's default).
    std::function<qint64()> ring_ms;
    XmppOutbox& outbox() { return outbox_; }
    // Hands over the picture transfers that ended, even while the program's thread is held.
    void take_network_results() { upload_.take_results(); }

    // ---- FarSide
    QStringList contacts() const override;
    QString online_status(const QString& handle) const override;
    void send_line(const QString& to, const QString& text) override;
    void send_file(const QString& to, const QString& path) override;
    void call_event(const QString& call_id, const QString& partner, bool incoming,
                    CallEvent event) override;
    void target_named(const QString& handle) override;

  private:
    struct CallSession {
        QString sid;   // the Jingle Message Initiation id
        QString peer;  // the contact's full JID once known, else the bare one
        bool answered = false;
    };

    void message(const QDomElement& stanza);
    void chat(const QString& from, const QDomElement& stanza);
    void presence(const QDomElement& stanza);
    void iq(const QDomElement& stanza);
    void roster_arrived(const QDomElement& query, bool full);
    bool from_contact(const QString& from, const QString& what);
    void subscription_request(const QString& from);
    void report_stale();

    // Calls (xmpp_owner_side_calls.cpp)
    bool call_stanza(const QString& from, const QDomElement& stanza);
    void proposed(const QString& from, const QString& sid);
    CallSession* session_by_sid(const QString& sid, QString* call_id = nullptr);
    void send_call(const QString& to, const QString& action, const QString& sid);
    void send_live_picture(const QString& call_id, const QString& partner);

    void ask_iq(const QString& to, const QString& type,
                const std::function<void(QXmlStreamWriter&)>& content,
                std::function<void(const QDomElement&)> answer);
    // The machine's messages leave through the outbox, in the order it made them.
    void deliver(const QString& stanza) { outbox_.stanza(stanza); }
    void upload_and_send(const QString& to, const QString& path, const std::function<void()>& then);
    QString current_target() const;

    ClientCore& client_;
    Options options_;
    XmppUpload upload_;
    XmppRoster roster_;
    QString own_jid_;
    bool up_ = false;
    QString last_target_;
    XmppOutbox outbox_;
    std::vector<QDomElement> before_roster_;
    std::set<QString> strangers_logged_;
    std::set<QString> pending_subscriptions_;
    std::map<QString, std::function<void(const QDomElement&)>> asked_;
    std::map<QString, CallSession> calls_;  // by the client's call id
    QStringList stale_;
    QString stale_from_;
    QTimer stale_timer_;
    // Answers that come after we are gone must not touch us.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
