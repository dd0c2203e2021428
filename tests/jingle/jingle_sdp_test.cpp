// The translation between Jingle and SDP on what the apps really send: each app's offer read,
// written as SDP for the media engine, read back and written as Jingle again without losing
// anything; the engine's own answers turned into Jingle; and the offers that must be refused.
#include <gtest/gtest.h>

#include <QDomDocument>
#include <QRegularExpression>
#include <tuple>

#include "jingle/jingle_xml.h"
#include "jingle/sdp.h"
#include "jingle_samples.h"
#include "qt_printers.h"

using namespace jingle;

namespace {

QDomElement element(const QString& xml, QDomDocument& document) {
    EXPECT_TRUE(document.setContent(xml.trimmed(), true)) << xml.toStdString();
    return document.documentElement();
}

Read<SessionDescription> read_xml(const QString& xml) {
    QDomDocument document;
    return read_session(element(xml, document));
}

QString jingle_text(const SessionDescription& session) {
    QString text;
    QXmlStreamWriter w(&text);
    w.writeStartElement("jingle");
    w.writeDefaultNamespace(ns::jingle);
    write_session(w, session);
    w.writeEndElement();
    return text;
}

SessionDescription without_candidates(SessionDescription session) {
    for (Content& c : session.contents) c.transport.candidates.clear();
    return session;
}

struct AppOffer {
    const char* app;
    QString xml;
    QStringList sdp_lines;  // among what the media engine is given
};

const AppOffer app_offers[] = {
    {"Conversations",
     samples::conversations_initiate,
     {"a=group:BUNDLE 0 1",
      "m=audio 9 UDP/TLS/RTP/SAVPF 111 63 0 126",
      "a=rtpmap:111 opus/48000/2",
      "a=fmtp:111 minptime=10;useinbandfec=1",
      "a=rtcp-fb:111 transport-cc",
      "a=fmtp:63 111/111",
      "a=rtpmap:126 telephone-event/8000",
      "a=extmap:1 urn:ietf:params:rtp-hdrext:ssrc-audio-level",
      "a=extmap-allow-mixed",
      "a=ssrc:2447106443 cname:s7jdCT8Fh2Hwdt0e",
      "a=ssrc:2447106443 msid:my-media-stream my-audio-track",
      "a=ice-ufrag:Xs2s",
      "a=fingerprint:sha-256 " + samples::fingerprint,
      "a=setup:actpass",
      "a=mid:0",
      "a=rtcp-mux",
      "m=video 9 UDP/TLS/RTP/SAVPF 96 97 102",
      "a=rtcp-fb:96 ccm fir",
      "a=fmtp:97 apt=96",
      "a=fmtp:102 level-asymmetry-allowed=1;packetization-mode=1;profile-level-id=42e01f",
      "a=ssrc-group:FID 1715201024 2043915711",
      "a=candidate:842163049 1 udp 1686052607 203.0.113.7 41417 typ srflx raddr 192.168.1.23 "
      "rport 41417 generation 0"}},
    {"Dino",
     samples::dino_initiate,
     {"m=audio 9 UDP/TLS/RTP/SAVPF 99 100 0", "a=mid:video", "a=ice-ufrag:d1a", "a=ice-ufrag:d1v",
      "a=rtcp-fb:* nack pli",
      "a=candidate:1 1 udp 2013266431 127.0.0.1 50000 typ host generation 0"}},
    {"voice call", samples::voice_call(), {"a=group:BUNDLE 0", "a=mid:0"}},
};

// Each app's offer reaches the media engine with everything webrtcbin needs, and comes back
// through SDP and Jingle unchanged (ICE-UDP says nothing of the TCP candidate, which is left out).
TEST(JingleSdp, AppOffersBecomeSdpAndComeBackUnchanged) {
    for (const AppOffer& offer : app_offers) {
        SCOPED_TRACE(offer.app);
        const Read<SessionDescription> read = read_xml(offer.xml);
        ASSERT_TRUE(read.value) << read.detail.toStdString();
        const QString sdp = to_sdp(*read.value, Role::initiator);
        const QStringList lines = sdp.split("\r\n");
        for (const QString& line : offer.sdp_lines)
            EXPECT_TRUE(lines.contains(line)) << line.toStdString() << "\n" << sdp.toStdString();
        EXPECT_FALSE(sdp.contains(" tcp ")) << sdp.toStdString();

        const Read<SessionDescription> back = from_sdp(sdp, Role::initiator);
        ASSERT_TRUE(back.value) << back.detail.toStdString();
        // Candidates get their Jingle ids afresh; all else must survive both ways.
        EXPECT_EQ(without_candidates(*back.value), without_candidates(*read.value));
        const Read<SessionDescription> again = read_xml(jingle_text(*back.value));
        ASSERT_TRUE(again.value) << again.detail.toStdString();
        EXPECT_EQ(without_candidates(*again.value), without_candidates(*read.value));
        for (std::size_t i = 0; i < read.value->contents.size(); ++i)
            EXPECT_EQ(again.value->contents[i].transport.candidates.size(),
                      read.value->contents[i].transport.candidates.size());
    }
}

// Which side sends is seen from the author of the SDP: the offerer is the Jingle initiator.
TEST(JingleSdp, DirectionsFollowWhoWroteTheDescription) {
    const struct {
        const char* direction;
        Role author;
        Senders senders;
    } cases[] = {
        {"sendrecv", Role::responder, Senders::both},
        {"sendonly", Role::responder, Senders::responder},
        {"recvonly", Role::responder, Senders::initiator},
        {"sendonly", Role::initiator, Senders::initiator},
        {"recvonly", Role::initiator, Senders::responder},
        {"inactive", Role::initiator, Senders::none},
    };
    for (const auto& c : cases) {
        QString sdp = samples::webrtc_description("active", "0", "1", false);
        sdp.replace("a=sendrecv", QString("a=") + c.direction);
        const Read<SessionDescription> read = from_sdp(sdp, c.author);
        ASSERT_TRUE(read.value);
        EXPECT_EQ(read.value->contents[0].senders, c.senders) << c.direction;
        EXPECT_TRUE(to_sdp(*read.value, c.author).contains(QString("a=") + c.direction));
    }
}

// Port 0 refuses a media line, except where a=bundle-only says it rides on the first line's
// transport (webrtcbin's max-bundle writes its later lines so).
TEST(JingleSdp, PortZeroIsRefusedUnlessBundleOnly) {
    for (const auto& [port, extra, rejected] :
         {std::tuple{"9 ", "", false}, std::tuple{"0 ", "", true},
          std::tuple{"0 ", "a=bundle-only\r\n", false}}) {
        QString sdp = samples::webrtc_description("actpass", "0", "1");
        sdp.replace("m=video 9 ", QString("m=video ") + port)
            .replace("a=mid:1\r\n", QString("a=mid:1\r\n") + extra);
        const Read<SessionDescription> read = from_sdp(sdp, Role::initiator);
        ASSERT_TRUE(read.value) << read.detail.toStdString();
        EXPECT_EQ(read.value->contents.at(1).rejected, rejected) << port << extra;
        EXPECT_FALSE(read.value->contents.at(0).rejected);
    }
}

// webrtcbin's answer becomes a session-accept: mids as content names, the DTLS role, ICE
// credentials, codecs with parameters and feedback, sources, BUNDLE (directions: above).
TEST(JingleSdp, TheEnginesAnswerBecomesJingle) {
    const Read<SessionDescription> answer =
        from_sdp(samples::webrtc_description("active", "0", "1"), Role::responder);
    ASSERT_TRUE(answer.value);
    const QString xml = jingle_text(*answer.value);
    const Read<SessionDescription> read = read_xml(xml);
    ASSERT_TRUE(read.value) << read.detail.toStdString() << xml.toStdString();
    const SessionDescription& s = *read.value;
    EXPECT_EQ(s.bundle, QStringList({"0", "1"}));
    ASSERT_EQ(s.contents.size(), 2u);
    const Content& audio = s.contents[0];
    EXPECT_EQ(audio.transport.ufrag, "WbRtcUfrag");
    EXPECT_EQ(audio.transport.fingerprint,
              (Fingerprint{"sha-256", samples::fingerprint, "active"}));
    ASSERT_EQ(audio.payloads.size(), 1u);
    EXPECT_EQ(audio.payloads[0],
              (PayloadType{96, "OPUS", 48000, 2, {{"useinbandfec", "1"}}, {{"transport-cc", ""}}}));
    ASSERT_EQ(audio.sources.size(), 1u);
    EXPECT_EQ(audio.sources[0].parameters.size(), 2u);
    EXPECT_EQ(s.contents[1].payloads[0].feedback,
              (std::vector<Feedback>{{"nack", ""}, {"nack", "pli"}, {"ccm", "fir"}}));
}

// Single trickled candidates, both ways.
TEST(JingleSdp, CandidatesAsSdpLines) {
    const struct {
        QString line;
        bool usable;
    } cases[] = {
        {"candidate:1 1 UDP 2122252543 127.0.0.1 51234 typ host", true},
        {"a=candidate:2 1 udp 1686052607 198.51.100.4 3478 typ srflx raddr 10.0.0.2 rport 5000 "
         "generation 0",
         true},
        {"candidate:3 1 udp 41885439 192.0.2.9 49152 typ relay raddr 198.51.100.4 rport 3478 "
         "generation 1",
         true},
        {"candidate:4 1 TCP 1518280447 127.0.0.1 9 typ host tcptype active", false},
        {"candidate:5 1 udp 1 127.0.0.1 0 typ host", false},
        {"candidate:garbage", false},
        {"", false},
    };
    for (const auto& c : cases) {
        const std::optional<Candidate> candidate = candidate_from_sdp(c.line);
        ASSERT_EQ(candidate.has_value(), c.usable) << c.line.toStdString();
        if (!candidate) continue;
        EXPECT_EQ(candidate_from_sdp(candidate_to_sdp(*candidate)), candidate);
        EXPECT_EQ(candidate->protocol, "udp");
    }
}

// The engine's own description without a fingerprint would be a call in the clear.
TEST(JingleSdp, AnEngineDescriptionWithoutFingerprintIsRefused) {
    QString sdp = samples::webrtc_description("active", "0", "1");
    sdp.remove(QRegularExpression("a=fingerprint:[^\r]*\r\n"));
    EXPECT_EQ(from_sdp(sdp, Role::responder).problem, Problem::no_fingerprint);
}

}  // namespace
