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
#include "jingle/call_media.h"
#include "jingle/ice_servers.h"
#include "jingle/session_description.h"
#include "platform/xmpp/xmpp_roster.h"
#include "platform/xmpp/xmpp_upload.h"

class ClientCore;
class JingleSession;

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
        // Media for calls; without it a call that asks for video gets one live picture.
        CallMediaFactory media;
        jingle::IceOverrides ice;  // STUN/TURN servers of the account file's own
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

    // ---- FarSide
    QStringList contacts() const override;
    QString online_status(const QString& handle) const override;
    void send_line(const QString& to, const QString& text) override;
    void send_file(const QString& to, const QString& path) override;
    void call_event(const QString& call_id, const QString& partner, bool incoming,
                    CallEvent event) override;
    void target_named(const QString& handle) override;

    static constexpr std::size_t offline_queue_limit = 100;

  private:
    struct Call {
        QString sid;   // the Jingle Message Initiation id, which is the Jingle session's too
        QString peer;  // the contact's full JID once known, else the bare one
        bool answered = false;
        bool proposed = true;  // rung by Jingle Message Initiation, not by a bare session-initiate
        std::unique_ptr<JingleSession> jingle;  // with media only
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
    bool media_calls() const { return static_cast<bool>(options_.media); }
    bool call_stanza(const QString& from, const QDomElement& stanza);
    void proposed(const QString& from, const QString& sid);
    void proceeded(const QString& call_id, const QString& from);
    void end_call(Call& call, bool incoming);
    Call* session_by_sid(const QString& sid, QString* call_id = nullptr);
    void send_call(const QString& to, const QString& action, const QString& sid);
    void send_live_picture(const QString& call_id, const QString& partner);
    void jingle_iq(const QDomElement& stanza, const QDomElement& jingle);
    void direct_session(const QDomElement& stanza, const QDomElement& jingle);
    std::unique_ptr<JingleSession> make_session(const QString& sid, const QString& peer,
                                                jingle::Role role);
    void session_ended(const QString& sid, const QString& why);
    void retire(std::unique_ptr<JingleSession> session);
    void discover_ice_servers();

    void ask_iq(const QString& to, const QString& type,
                const std::function<void(QXmlStreamWriter&)>& content,
                std::function<void(const QDomElement&)> answer);
    // The machine's messages leave in the order it made them; a picture holds its place while it
    // uploads, so the phone shows it before the call that follows rings.
    using Slot = std::shared_ptr<std::optional<QString>>;
    void deliver(const QString& stanza);
    Slot reserve();
    void flush_outbox();
    void transmit(const QString& stanza);  // now, or queued until the stream is back
    void upload_and_send(const QString& to, const QString& path, const std::function<void()>& then);
    QString current_target() const;

    ClientCore& client_;
    Options options_;
    XmppUpload upload_;
    XmppRoster roster_;
    QString own_jid_;
    bool up_ = false;
    QString last_target_;
    std::deque<Slot> outbox_;
    std::deque<QString> offline_queue_;
    std::size_t dropped_ = 0;
    std::vector<QDomElement> before_roster_;
    std::set<QString> strangers_logged_;
    std::set<QString> pending_subscriptions_;
    std::map<QString, std::function<void(const QDomElement&)>> asked_;
    std::map<QString, Call> calls_;                        // by the client's call id
    std::vector<CallMedia::IceServer> ice_servers_;        // the account's server's (XEP-0215)
    std::vector<std::unique_ptr<JingleSession>> retired_;  // ended from inside their own report
    QStringList stale_;
    QString stale_from_;
    QTimer stale_timer_;
    // Answers that come after we are gone must not touch us.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
