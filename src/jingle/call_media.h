#pragma once

#include <QString>
#include <QStringList>
#include <concepts>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

// The media of one call as the call's session logic sees it: session descriptions (SDP) and ICE
// candidates in and out, and how the connection went. The session speaks Jingle on the wire and
// SDP to this; the real one is GStreamer's webrtcbin (platform/call/), the tests use a double, so
// the session logic runs without a network.
class CallMedia {
  public:
    // A STUN or TURN server: "stun:host:port" or "turn:host:port" (with user and password).
    struct IceServer {
        QString uri;
        QString user;
        QString password;
    };
    struct Config {
        std::vector<IceServer> ice_servers;
        bool audio = true;  // the call carries an audio stream both ways
        bool video = true;  // the machine sends the camera's video
    };

    virtual ~CallMedia() = default;

    // The machine calls (it is the Jingle initiator): an offer comes through on_local_description.
    virtual void create_offer() = 0;
    // The peer called: its offer, answered through on_local_description.
    virtual void set_remote_offer(const QString& sdp) = 0;
    // The peer's answer to our offer.
    virtual void set_remote_answer(const QString& sdp) = 0;
    // A trickled candidate of the peer ("candidate:..." as in SDP, without "a="), for the media
    // line `mline` (its index in the SDP) whose mid is `mid`.
    virtual void add_remote_candidate(int mline, const QString& mid, const QString& candidate) = 0;
    // The camera's live picture goes out from now on (until then the video is black).
    virtual void start_sending_video() = 0;
    // Ends the media; nothing is reported after it.
    virtual void stop() = 0;

    // Who sets its hooks: the JingleSession that owns the media, when it makes it.
    std::function<void(const QString& sdp)> on_local_description;
    // An empty candidate: gathering is complete.
    std::function<void(int mline, const QString& mid, const QString& candidate)> on_local_candidate;
    // Media flows (ICE connected and DTLS done, the peer's certificate matched its fingerprint).
    std::function<void()> on_connected;
    // The call cannot go on: ICE failed, DTLS failed or the fingerprint did not match.
    std::function<void(const QString& reason)> on_failed;
};

// Makes each call's media, and says which codecs that media can send (by encoding name, as
// SDP and Jingle write them), so that an offer with none of them is refused before a call is
// answered.
struct CallMediaFactory {
    using Make = std::function<std::unique_ptr<CallMedia>(const CallMedia::Config&)>;

    CallMediaFactory() = default;
    template <class F>
    requires(!std::same_as<std::remove_cvref_t<F>, CallMediaFactory> &&
             std::constructible_from<Make, F>)
        CallMediaFactory(F make,
                         QStringList sends = default_codecs())  // NOLINT: a factory is a function
        : make(std::move(make)), codecs(std::move(sends)) {}

    static QStringList default_codecs() { return {QStringLiteral("VP8"), QStringLiteral("opus")}; }

    explicit operator bool() const { return static_cast<bool>(make); }
    std::unique_ptr<CallMedia> operator()(const CallMedia::Config& config) const {
        return make(config);
    }

    Make make;
    QStringList codecs = default_codecs();
};
