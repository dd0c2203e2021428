#pragma once

#include <QDomElement>
#include <QString>
#include <QXmlStreamWriter>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "jingle/call_media.h"
#include "jingle/session_description.h"

class Scheduler;

// One call's Jingle session (XEP-0166) with the media that carries it. On one side the call as
// the client core sees it (answered, video on, hung up), on the other the Jingle actions the peer
// sends and the stanzas we send; between them a CallMedia, spoken to in SDP.
//
//   the peer calls:  session-initiate (acked) -> answer() -> media answers -> session-accept
//   the machine:     start() -> media offers -> session-initiate -> peer's session-accept
//   either:          transport-info both ways; connected, or ended within `connect_limit_ms`
//
// A session without a DTLS fingerprint, with other applications or transports than RTP over
// ICE-UDP, or without a codec in common is refused with its Jingle reason. After it ended, it
// sends and reports nothing more.
class JingleSession {
  public:
    using Writer = std::function<void(QXmlStreamWriter&)>;

    struct Options {
        QString sid;
        QString own_jid;  // full JIDs
        QString peer;
        jingle::Role role = jingle::Role::responder;
        CallMediaFactory media;  // with the codecs it can send
        // The STUN and TURN servers known already, for when asking anew gets no answer.
        std::vector<CallMedia::IceServer> ice_servers;
        // Asks for this call's STUN and TURN servers (TURN credentials expire, so each call asks
        // afresh); the answer may come later. The media waits for it, at most `ice_patience_ms`.
        std::function<void(std::function<void(std::vector<CallMedia::IceServer>)>)>
            fetch_ice_servers;
    };

    // The answer to one Jingle IQ: a result, or an error with its condition.
    struct Reply {
        QString condition;     // empty for a result; else a stanza error condition
        QString jingle_error;  // out-of-order, unknown-session, unsupported-info
        QString type = QStringLiteral("cancel");
        bool ok() const { return condition.isEmpty(); }
    };

    static constexpr int connect_limit_ms = 20'000;
    static constexpr int ice_patience_ms = 3'000;

    JingleSession(Scheduler& scheduler, Options options);
    ~JingleSession();
    JingleSession(const JingleSession&) = delete;
    JingleSession& operator=(const JingleSession&) = delete;

    // ---- the call
    void start();        // the machine's call was accepted: offer the media
    void answer();       // the machine answers the peer's call (now or when its offer comes)
    void start_video();  // the camera's picture goes out (now or once the media runs)
    // Ends the session with `reason` (success, cancel, decline, busy...): session-terminate when
    // the peer knows of a session, and the media stops.
    void end(const QString& reason);
    // The fitting end of a call hung up here: success once media flowed, else cancel.
    void hang_up() { end(connected_ ? QStringLiteral("success") : QStringLiteral("cancel")); }

    // ---- the peer: a <jingle> element of an IQ set, checked to be from the peer
    Reply receive(const QDomElement& jingle);

    bool offered() const { return remote_offer_.has_value(); }
    bool connected() const { return connected_; }
    bool ended() const { return state_ == State::ended; }
    const Options& options() const { return options_; }
    // Audio only: the peer's offer had no video.
    bool video() const { return config_.video; }

    // Who sets its hooks: XmppOwnerSide (xmpp_owner_side_calls.cpp) sets `send` and `on_ended`
    // when it makes a session. Nothing in the program sets `on_offer` or `on_connected` yet (the
    // tests set `on_offer`).
    //
    // A <jingle> to send in an IQ set; `answered` says whether the peer took it (false on an
    // error reply or none).
    std::function<void(const QString& to, const Writer& jingle,
                       std::function<void(bool ok)> answered)>
        send;
    // The peer ended the session, or it failed (`why` says how, for the log and the owner).
    std::function<void(const QString& reason, const QString& why)> on_ended;
    std::function<void()> on_offer;      // a session-initiate arrived and waits for answer()
    std::function<void()> on_connected;  // media flows

  private:
    enum class State { idle, offering, offered, accepting, active, ended };

    Reply session_initiate(const QDomElement& jingle);
    Reply session_accept(const QDomElement& jingle);
    Reply transport_info(const QDomElement& jingle);
    Reply session_terminate(const QDomElement& jingle);
    Reply content_add(const QDomElement& jingle);

    void ask_for_ice_servers();
    void when_ice_servers_known(std::function<void()> then);
    bool create_media(bool audio, bool video);
    void accept_offer();
    void answer_offer();
    void local_description(const QString& sdp);
    void local_candidate(int mline, const QString& mid, const QString& candidate);
    void add_remote(const QString& name, const jingle::Candidate& candidate);
    void flush_candidates();
    void send_jingle(const QString& action, const Writer& content);
    void refuse(jingle::Problem problem, const QString& detail);
    void fail(const QString& reason, const QString& why);
    void finish(const QString& reason, const QString& why);
    void later(std::function<void()> action);
    const jingle::SessionDescription* media_lines() const;

    Scheduler& scheduler_;
    Options options_;
    CallMedia::Config config_;
    State state_ = State::idle;
    bool answered_ = false;
    bool video_wanted_ = false;
    bool connected_ = false;
    bool remote_set_ = false;  // the media has the peer's description
    std::unique_ptr<CallMedia> media_;
    std::optional<jingle::SessionDescription> remote_offer_;
    std::optional<jingle::SessionDescription> local_;
    std::vector<std::pair<QString, jingle::Candidate>> remote_waiting_;
    std::vector<std::pair<QString, jingle::Candidate>> local_waiting_;
    quint64 connect_attempt_ = 0;
    bool ice_servers_pending_ = false;
    std::function<void()> waiting_for_ice_servers_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
