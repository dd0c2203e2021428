#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// One call's media as both Jingle and SDP can say it: the contents (one per media line) with
// their codecs, header extensions, sources, ICE transport and DTLS fingerprint, and the BUNDLE
// group. Jingle and SDP are read into this and written from it, so each direction of the
// translation is two small steps that tests can check apart.
namespace jingle {

// Who sends on a content, in Jingle's terms (the session's initiator or responder).
enum class Senders { both, initiator, responder, none };
// Who wrote a description: the Jingle initiator makes the offer, the responder the answer.
enum class Role { initiator, responder };

struct Parameter {
    QString name;  // empty for a bare value, as telephone-event's "0-15"
    QString value;

    bool operator==(const Parameter&) const = default;
};

struct Feedback {  // rtcp-fb: "nack", "nack pli", "ccm fir", "goog-remb", "transport-cc"
    QString type;
    QString subtype;

    bool operator==(const Feedback&) const = default;
};

struct PayloadType {
    int id = -1;
    QString name;
    int clockrate = 0;
    int channels = 1;
    std::vector<Parameter> parameters;
    std::vector<Feedback> feedback;

    bool operator==(const PayloadType&) const = default;
};

struct HeaderExtension {
    int id = 0;
    QString uri;

    bool operator==(const HeaderExtension&) const = default;
};

struct Source {  // ssrc with its cname, msid...
    quint32 ssrc = 0;
    std::vector<Parameter> parameters;

    bool operator==(const Source&) const = default;
};

struct SourceGroup {  // ssrc-group, e.g. FID (a stream and its retransmissions)
    QString semantics;
    std::vector<quint32> ssrcs;

    bool operator==(const SourceGroup&) const = default;
};

struct Candidate {
    QString foundation;
    int component = 1;
    QString protocol = QStringLiteral("udp");
    quint32 priority = 0;
    QString ip;
    int port = 0;
    QString type = QStringLiteral("host");  // host, srflx, prflx, relay
    QString rel_addr;
    int rel_port = 0;
    int generation = 0;
    int network = 0;
    QString id;

    bool operator==(const Candidate&) const = default;
};

struct Fingerprint {
    QString hash;   // sha-256
    QString value;  // AB:CD:...
    QString setup;  // actpass, active, passive

    bool operator==(const Fingerprint&) const = default;
};

struct Transport {
    QString ufrag;
    QString pwd;
    std::optional<Fingerprint> fingerprint;
    std::vector<Candidate> candidates;

    bool operator==(const Transport&) const = default;
};

struct Content {
    QString name;  // the SDP mid
    QString creator = QStringLiteral("initiator");
    Senders senders = Senders::both;
    QString media;          // audio, video
    bool rejected = false;  // in an answer: the offer's media line that the answer leaves out
    bool rtcp_mux = false;
    bool extmap_allow_mixed = false;
    std::vector<PayloadType> payloads;
    std::vector<Feedback> feedback;  // for every payload type ("a=rtcp-fb:*")
    std::vector<HeaderExtension> extensions;
    std::vector<Source> sources;
    std::vector<SourceGroup> source_groups;
    Transport transport;

    bool operator==(const Content&) const = default;
};

struct SessionDescription {
    std::vector<Content> contents;
    QStringList bundle;  // content names sharing one transport

    const Content* content(const QString& name) const;
    int index_of(const QString& name) const;  // the media line, or -1

    bool operator==(const SessionDescription&) const = default;
};

// Why a description cannot be used; each has its Jingle reason.
enum class Problem {
    none,
    malformed,                // bad-request
    no_fingerprint,           // security-error: DTLS-SRTP or nothing
    unsupported_application,  // a content that is not RTP audio or video
    unsupported_transport,    // a transport that is not ICE-UDP
    no_common_codec,          // incompatible-parameters
};

template <class T>
struct Read {
    std::optional<T> value;
    Problem problem = Problem::none;
    QString detail;  // for the log

    static Read ok(T value) { return {std::move(value), Problem::none, {}}; }
    static Read fail(Problem problem, QString detail) { return {std::nullopt, problem, detail}; }
};

}  // namespace jingle
