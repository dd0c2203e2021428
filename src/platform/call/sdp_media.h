#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What the call's media needs to know of a session description: which media lines it has, their
// mids, and the payload type a codec goes by. The payloaders must send the numbers the peer's
// offer chose (phones pick their own), so they are read before the answer is built.
namespace sdp_media {

struct Line {
    QString media;  // "audio", "video", ...
    QString mid;
    bool rejected = false;  // port 0, and not bundled
    QString text;           // from its m= line up to the next one
};

std::vector<Line> lines_of(const QString& sdp);

// The payload type of the first codec of that name (case aside) in the first usable line of that
// media.
std::optional<int> payload_type(const QString& sdp, const QString& media, const QString& codec);

// The payload types of the first usable line of that media, in its order, with their fmtp.
struct Payload {
    int number = -1;
    QString name;
    QString parameters;
};
std::vector<Payload> payloads(const QString& sdp, const QString& media);

// The description with `parameters` ("name=value;...") in the fmtp of every payload type of
// `codec`, those it has already kept as they are.
QString with_parameters(const QString& sdp, const QString& codec, const QString& parameters);

// The description as a Jingle peer reads it: webrtcbin writes the media lines it bundles onto
// the first one's transport with port 0 and "a=bundle-only", which Jingle has no word for and
// which reads as a refused stream; they get the usual port 9 and lose that line.
QString without_bundle_only(const QString& sdp);

}  // namespace sdp_media
