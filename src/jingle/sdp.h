#pragma once

#include <QString>

#include "jingle/session_description.h"

// A call's media as SDP says it, for the media engine (webrtcbin): the description written from
// one side's point of view, read back from the engine's own offer or answer, and single ICE
// candidates as SDP's "candidate:" lines.
namespace jingle {

// `author` wrote it: the initiator's offer or the responder's answer (the a=sendrecv family is
// seen from the author's side). Every media line gets BUNDLE's mid, ICE credentials, the DTLS
// fingerprint and setup role, rtcp-mux, codecs with their parameters and feedback, and sources.
QString to_sdp(const SessionDescription& session, Role author);
Read<SessionDescription> from_sdp(const QString& sdp, Role author);

QString candidate_to_sdp(const Candidate& candidate);
// Null for a line that is not a UDP candidate (a TCP one, or text that is not a candidate).
std::optional<Candidate> candidate_from_sdp(const QString& line);

}  // namespace jingle
