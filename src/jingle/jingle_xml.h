#pragma once

#include <QDomElement>
#include <QXmlStreamWriter>

#include "jingle/session_description.h"

// A call's media as Jingle carries it (XEP-0166 with RTP, ICE-UDP, DTLS fingerprints, header
// extensions, rtcp-fb, sources and BUNDLE), read from a received <jingle> element and written
// into one we send.
namespace jingle {

namespace ns {
inline constexpr auto jingle = "urn:xmpp:jingle:1";
inline constexpr auto errors = "urn:xmpp:jingle:errors:1";
inline constexpr auto rtp = "urn:xmpp:jingle:apps:rtp:1";
inline constexpr auto rtp_audio = "urn:xmpp:jingle:apps:rtp:audio";
inline constexpr auto rtp_video = "urn:xmpp:jingle:apps:rtp:video";
inline constexpr auto ice_udp = "urn:xmpp:jingle:transports:ice-udp:1";
inline constexpr auto dtls = "urn:xmpp:jingle:apps:dtls:0";
inline constexpr auto hdrext = "urn:xmpp:jingle:apps:rtp:rtp-hdrext:0";
inline constexpr auto rtcp_fb = "urn:xmpp:jingle:apps:rtp:rtcp-fb:0";
inline constexpr auto ssma = "urn:xmpp:jingle:apps:rtp:ssma:0";
inline constexpr auto grouping = "urn:xmpp:jingle:apps:grouping:0";
inline constexpr auto jmi = "urn:xmpp:jingle-message:0";
}  // namespace ns

// The contents of a session-initiate or session-accept: every content must be RTP audio or
// video over ICE-UDP with a DTLS fingerprint.
Read<SessionDescription> read_session(const QDomElement& jingle);
// The candidates of a transport-info, by content; the contents carry no description.
Read<SessionDescription> read_transport_info(const QDomElement& jingle);

// Writes the contents and the BUNDLE group into an open <jingle> element.
void write_session(QXmlStreamWriter& w, const SessionDescription& session);
// One content's transport with one candidate (a trickled transport-info), into an open <jingle>.
void write_candidate(QXmlStreamWriter& w, const Content& content, const Candidate& candidate);

// The contents must share a codec with the machine (`codecs`, by encoding name, any case);
// false with the content and what it offered otherwise.
bool has_common_codecs(const SessionDescription& session, const QStringList& codecs,
                       QString* detail);

}  // namespace jingle
