#pragma once

#include <QDateTime>
#include <QDomElement>
#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "account/xmpp_account.h"
#include "client/far_side.h"
#include "jingle/call_media.h"
#include "jingle/ice_servers.h"
#include "jingle/session_description.h"
#include "platform/xmpp/xmpp_outbox.h"
#include "platform/xmpp/xmpp_roster.h"
#include "platform/xmpp/xmpp_stanzas.h"
#include "platform/xmpp/xmpp_upload.h"
#include "time/lifetime.h"
#include "time/timer.h"

class ClientCore;
class JingleSession;
class OmemoDevice;
class Scheduler;
class XmppOmemo;

// The people on the far side of the client as an XMPP account sees them. Chat lines, pictures
// and calls of the machine become messages, uploads and call proposals; what the account's
// contacts send becomes the client's lines. Only contacts with a mutual subscription are heard;
// delayed commands older than the staleness limit are not obeyed; messages that come before the
// roster wait for it. Its timers and clock are the scheduler's, so tests run it in virtual time.
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
    using Head = xmpp::Head;

    XmppOwnerSide(ClientCore& client, Scheduler& scheduler, Options options);
    ~XmppOwnerSide() override;

    // End-to-end encryption (XmppOmemo) with this device, before the first stream; without it,
    // or with `encryption` off, everything goes plain.
    void use_omemo(std::unique_ptr<OmemoDevice> device, XmppAccount::Encryption encryption,
                   const QStringList& owner_fingerprints);
    XmppOmemo* omemo() { return omemo_.get(); }

    // Who sets its hooks: XmppClient sets `send` (onto its stream) and `take_live_picture`;
    // run/session.cpp sets `call_target` and `ring_ms` from the main window and its settings.
    //
    // ---- the stream
    std::function<void(const QString& stanza)> send;
    void stream_up(const QString& own_jid);
    void stream_down();
    // Whether a stanza is worth parsing: the server's, a contact's, an answer to our own
    // question, or a subscription request. Strangers' stanzas are dropped unread.
    bool admits(const Head& head);
    void receive(const QDomElement& stanza);
    // The call target as the program names it (empty while none is set).
    QString current_target() const;

    // A JPEG file of what the camera sees now, handed to `done` (empty path when there is none).
    std::function<void(std::function<void(const QString& path)> done)> take_live_picture;
    // The program's call target, when known better than from its commands.
    std::function<QString()> call_target;
    // How long the program lets its calls ring, in ms (when unknown, the outbox's default).
    std::function<qint64()> ring_ms;
    XmppOutbox& outbox() { return outbox_; }
    // Hands over the picture transfers that ended, even while the program's thread is held.
    void take_network_results() { upload_.take_results(); }

    // ---- FarSide
    QStringList contacts() const override;
    bool is_contact(const QString& handle) const override;
    QString online_status(const QString& handle) const override;
    void send_line(const QString& to, const QString& text) override;
    void send_file(const QString& to, const QString& path) override;
    void call_event(const QString& call_id, const QString& partner, bool incoming,
                    CallEvent event) override;
    void target_named(const QString& handle) override;

    static constexpr int iq_timeout_ms = 30'000;
    // Delayed messages come in a burst when the stream starts: one report for all the stale ones.
    static constexpr int stale_report_after_ms = 1'000;
    // Held while the roster is on its way; more than this is a flood, not a conversation.
    static constexpr std::size_t before_roster_limit = 500;

    // What the owner is told of a command that is not obeyed for how it came.
    static const QString plain_refused_line;
    static const QString encryption_off_line;

  private:
    struct Call {
        QString sid;   // the Jingle Message Initiation id, which is the Jingle session's too
        QString peer;  // the contact's full JID once known, else the bare one
        bool answered = false;
        bool proposed = true;  // rung by Jingle Message Initiation, not by a bare session-initiate
        std::unique_ptr<JingleSession> jingle;  // with media only
    };
    // Who is counted once in the logs, and at most how many: strangers choose their addresses.
    static constexpr std::size_t remembered_strangers = 100;

    void message(const QDomElement& stanza);
    void chat(const QString& from, const QDomElement& stanza);
    // The body of a contact's message as it is to be obeyed; nullopt when it is not.
    std::optional<QString> readable_body(const QString& from, const QDomElement& stanza);
    // A pubsub notification: the owner's or the machine's own encryption devices.
    bool device_event(const QString& from, const QDomElement& stanza);
    void presence(const QDomElement& stanza);
    void iq(const QDomElement& stanza);
    void roster_arrived(const QDomElement& query, bool full);
    bool from_contact(const QString& from, const QString& what);
    bool from_server(const QString& from) const;
    // The name the client core knows a contact by: the call target's spelling for the target
    // (the program compares authors to it exactly), else the roster's.
    QString handle_for(const QString& jid) const;
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
    void fetch_ice_servers(std::function<void(std::vector<CallMedia::IceServer>)> done);

    void ask_iq(const QString& to, const QString& type,
                const std::function<void(QXmlStreamWriter&)>& content,
                std::function<void(const QDomElement&)> answer);
    // The machine's messages leave through the outbox, in the order it made them.
    void deliver(const QString& stanza) { outbox_.stanza(stanza); }
    void upload_and_send(const QString& to, const QString& path, const std::function<void()>& then);

    ClientCore& client_;
    Scheduler& scheduler_;
    Options options_;
    XmppUpload upload_;
    XmppRoster roster_;
    QString own_jid_;
    bool up_ = false;
    QString last_target_;
    XmppOutbox outbox_;
    std::unique_ptr<XmppOmemo> omemo_;  // declared after the outbox: it is the outbox's privacy
    std::vector<QDomElement> before_roster_;
    std::set<QString> strangers_logged_;
    std::set<QString> pending_subscriptions_;
    std::map<QString, std::function<void(const QDomElement&)>> asked_;
    std::map<QString, Call> calls_;                        // by the client's call id
    std::vector<CallMedia::IceServer> ice_servers_;        // the account's server's (XEP-0215)
    std::vector<std::unique_ptr<JingleSession>> retired_;  // ended from inside their own report
    QStringList stale_;
    QString stale_from_;
    Timer stale_timer_;
    // Answers and time-outs that come after we are gone must not touch us.
    Lifetime lifetime_;
};
