// One call's Jingle session in virtual time, the media a double: the apps' stanzas go in as
// text, the test reads the stanzas the machine sends and what the media was asked to do.
#include <gtest/gtest.h>

#include <QDomDocument>
#include <QRegularExpression>

#include "call_media_double.h"
#include "jingle/jingle_session.h"
#include "jingle_samples.h"
#include "qt_printers.h"
#include "time/virtual_scheduler.h"

using namespace jingle;

namespace {

const QString own = "machine@example.org/vq";
const QString phone = "owner@example.org/Conversations.x1";

struct Sent {
    QString to;
    QString xml;
    std::function<void(bool)> answered;
    QString action() const {
        return QRegularExpression("action=\"([^\"]+)\"").match(xml).captured(1);
    }
    QString reason() const {
        return QRegularExpression("<reason><([a-z-]+)/>").match(xml).captured(1);
    }
};

struct JingleSessionTest : ::testing::Test {
    void make(Role role, const QString& sid = "sid-c") {
        session = std::make_unique<JingleSession>(
            scheduler, JingleSession::Options{sid,
                                              own,
                                              phone,
                                              role,
                                              media_double_factory(media),
                                              {{"stun:stun.example.org:3478", {}, {}}},
                                              fetch_servers});
        session->send = [this](const QString& to, const JingleSession::Writer& jingle,
                               std::function<void(bool)> answered) {
            QString text;
            QXmlStreamWriter w(&text);
            jingle(w);
            sent.push_back({to, text, std::move(answered)});
        };
        session->on_ended = [this](const QString& reason, const QString& why) {
            ended.append(reason + (why.isEmpty() ? "" : ": " + why));
        };
        session->on_offer = [this] { ++offers; };
    }
    JingleSession::Reply in(QString xml, const QString& sid = {}) {
        if (!sid.isEmpty()) xml.replace(QRegularExpression("sid='[^']*'"), "sid='" + sid + "'");
        QDomDocument document;
        EXPECT_TRUE(document.setContent(xml.trimmed(), true)) << xml.toStdString();
        return session->receive(document.documentElement());
    }
    QStringList actions() const {
        QStringList list;
        for (const Sent& s : sent)
            list << s.action() + (s.reason().isEmpty() ? "" : " " + s.reason());
        return list;
    }
    QString transport_info(const QString& content) const {
        return "<jingle xmlns='urn:xmpp:jingle:1' action='transport-info' sid='sid-c'>"
               "<content creator='initiator' name='" +
               content +
               "'><transport xmlns='urn:xmpp:jingle:transports:ice-udp:1' ufrag='Xs2s' pwd='p'>"
               "<candidate component='1' foundation='7' generation='0' id='t1' ip='127.0.0.1' "
               "network='0' port='40000' priority='100' protocol='udp' type='host'/>"
               "</transport></content></jingle>";
    }

    VirtualScheduler scheduler;
    CallMediaDouble::Record media;
    std::function<void(std::function<void(std::vector<CallMedia::IceServer>)>)> fetch_servers;
    std::unique_ptr<JingleSession> session;
    std::vector<Sent> sent;
    QStringList ended;
    int offers = 0;
};

// The owner's app calls: its session-initiate is acknowledged and waits for the program; once
// answered, webrtcbin gets the offer and its answer goes back as session-accept; candidates
// trickle both ways; video starts on request; the program's hang-up ends the session.
TEST_F(JingleSessionTest, TheOwnersCallIsAcceptedOnlyWhenAnswered) {
    make(Role::responder);
    EXPECT_TRUE(in(samples::conversations_initiate).ok());
    scheduler.run_for(5000);
    EXPECT_EQ(offers, 1);
    EXPECT_EQ(media.made, 0);  // nothing of the machine reaches a caller nobody answered
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(in(transport_info("1")).ok());  // kept until there is media

    session->start_video();  // asked before the media runs: applied when it does
    session->answer();
    ASSERT_EQ(media.made, 1);
    EXPECT_TRUE(media.config.audio && media.config.video);
    EXPECT_TRUE(media.remote_sdp.contains("a=group:BUNDLE 0 1\r\n"));
    ASSERT_EQ(actions(), QStringList({"session-accept"}));
    EXPECT_EQ(sent[0].to, phone);
    EXPECT_TRUE(sent[0].xml.contains("responder=\"" + own + "\""));
    EXPECT_TRUE(sent[0].xml.contains("initiator=\"" + phone + "\""));
    EXPECT_TRUE(sent[0].xml.contains("setup=\"active\""));
    scheduler.run_for(10);
    // The offer's UDP candidates and the trickled one, each on its media line.
    EXPECT_EQ(media.calls.filter("candidate").size(), 3);
    EXPECT_TRUE(media.calls.contains(
        "candidate 1 1 candidate:7 1 udp 100 127.0.0.1 40000 typ host generation 0"));
    EXPECT_TRUE(media.calls.contains("video"));

    media.live->on_local_candidate(0, "0", "candidate:9 1 UDP 2122252543 127.0.0.1 51234 typ host");
    media.live->on_local_candidate(0, "0", "");  // gathering done: nothing to send
    ASSERT_EQ(actions(), QStringList({"session-accept", "transport-info"}));
    EXPECT_TRUE(sent[1].xml.contains("name=\"0\"") && sent[1].xml.contains("port=\"51234\"") &&
                sent[1].xml.contains("ufrag=\"WbRtcUfrag\""))
        << sent[1].xml.toStdString();

    media.live->on_connected();
    scheduler.run_for(60'000);
    EXPECT_TRUE(ended.isEmpty());
    session->hang_up();
    EXPECT_EQ(actions().last(), "session-terminate success");
    EXPECT_TRUE(media.calls.contains("stop"));
    EXPECT_TRUE(ended.isEmpty());  // ended here: nothing to report back
}

// The machine calls: its offer goes out as session-initiate, the app's session-accept is the
// answer; a call that never connects ends within 20 s, saying why.
TEST_F(JingleSessionTest, TheMachinesCallOffersAndEndsWhenItCannotConnect) {
    make(Role::initiator, "sid-out");
    session->start();
    ASSERT_EQ(actions(), QStringList({"session-initiate"}));
    EXPECT_TRUE(sent[0].xml.contains("initiator=\"" + own + "\""));
    EXPECT_TRUE(sent[0].xml.contains("setup=\"actpass\""));
    EXPECT_TRUE(sent[0].xml.contains("<group xmlns=\"urn:xmpp:jingle:apps:grouping:0\""));
    EXPECT_EQ(in(transport_info("7"), "sid-out").condition, "bad-request");  // unknown content
    EXPECT_TRUE(in(samples::conversations_accept).ok());
    ASSERT_TRUE(media.calls.contains("remote-answer"));
    EXPECT_TRUE(media.remote_sdp.contains("a=setup:active"));
    EXPECT_TRUE(media.remote_sdp.contains("a=mid:1"));
    scheduler.run_for(10);
    EXPECT_TRUE(media.calls.contains(
        "candidate 0 0 candidate:1 1 udp 2122260223 127.0.0.1 45000 typ host generation 0"));
    scheduler.run_for(JingleSession::connect_limit_ms - 100);
    EXPECT_TRUE(ended.isEmpty());
    scheduler.run_for(200);
    ASSERT_EQ(ended.size(), 1);
    EXPECT_TRUE(ended[0].startsWith("connectivity-error: no media connection within 20 s"));
    EXPECT_EQ(actions().last(), "session-terminate connectivity-error");
    EXPECT_TRUE(media.calls.contains("stop"));
}

// Offers that are refused: acknowledged, then ended with their reason; no media ever made.
// Each content needs a codec of ours; only ICE-UDP with DTLS carries RTP here.
TEST_F(JingleSessionTest, RefusedOffersGetTheirReasonAndNoMedia) {
    const auto changed = [](QString xml, const QString& from, const QString& to) {
        return xml.replace(QRegularExpression(from), to);
    };
    const QString voice = samples::voice_call();
    const struct {
        const char* what;
        QString xml;
        QString reason;  // empty: the IQ itself is refused
    } cases[] = {
        {"no fingerprint (Gajim)", changed(voice, "<fingerprint.*</fingerprint>", ""),
         "security-error"},
        {"no audio codec", changed(voice, "name='(opus|red|PCMU|telephone-event)'", "name='AMR'"),
         "incompatible-parameters"},
        {"no video codec",
         changed(samples::conversations_initiate, "name='(VP8|H264)'", "name='H263'"),
         "incompatible-parameters"},
        {"not RTP", changed(voice, "apps:rtp:1' media='audio'", "apps:file-transfer:5'"),
         "unsupported-applications"},
        {"raw UDP", changed(voice, "transports:ice-udp:1", "transports:raw-udp:1"),
         "unsupported-transports"},
        {"no content", "<jingle xmlns='urn:xmpp:jingle:1' action='session-initiate' sid='s'/>", ""},
        {"a content named twice", changed(voice, "</jingle>", "<content name='0'/></jingle>"), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sent.clear();
        ended.clear();
        make(Role::responder);
        EXPECT_EQ(in(c.xml).ok(), !c.reason.isEmpty());
        session->answer();  // the program answers before the refusal goes out
        scheduler.run_for(100);
        EXPECT_EQ(actions(), c.reason.isEmpty() ? QStringList()
                                                : QStringList({"session-terminate " + c.reason}));
        EXPECT_EQ(ended.size(), c.reason.isEmpty() ? 0 : 1);
        EXPECT_EQ(media.made, 0);
    }
}

// Stanzas out of turn are refused without changing the session; the peer's end is reported.
TEST_F(JingleSessionTest, OutOfOrderAndThePeersEnd) {
    make(Role::responder);
    EXPECT_EQ(in(transport_info("0")).jingle_error, "out-of-order");  // before any offer
    EXPECT_EQ(in(samples::conversations_accept, "sid-c").jingle_error, "out-of-order");
    EXPECT_TRUE(in(samples::voice_call()).ok());
    EXPECT_EQ(in(samples::voice_call()).jingle_error, "out-of-order");
    EXPECT_EQ(in(transport_info("1")).condition, "bad-request");  // audio only: no line 1
    session->answer();
    scheduler.run_for(10);
    EXPECT_TRUE(media.config.audio);
    EXPECT_FALSE(media.config.video);  // a voice call stays one: audio both ways, no video
    // Video added to the voice call: declined, and the call goes on as it was.
    EXPECT_EQ(in("<jingle xmlns='urn:xmpp:jingle:1' action='content-add' sid='sid-c'/>").condition,
              "bad-request");
    EXPECT_TRUE(in("<jingle xmlns='urn:xmpp:jingle:1' action='content-add' sid='sid-c'>"
                   "<content creator='responder' name='v1'><description "
                   "xmlns='urn:xmpp:jingle:apps:rtp:1' media='video'/></content></jingle>")
                    .ok());
    scheduler.run_for(10);
    ASSERT_EQ(actions(), QStringList({"session-accept", "content-reject decline"}));
    EXPECT_TRUE(sent[1].xml.contains("<content creator=\"responder\" name=\"v1\"/>"))
        << sent[1].xml.toStdString();
    EXPECT_EQ(media.made, 1);
    sent.pop_back();
    EXPECT_TRUE(in("<jingle xmlns='urn:xmpp:jingle:1' action='session-terminate' sid='sid-c'>"
                   "<reason><decline/></reason></jingle>")
                    .ok());
    scheduler.run_for(10);
    EXPECT_EQ(ended, QStringList({"decline"}));
    EXPECT_TRUE(media.calls.contains("stop"));
    EXPECT_EQ(actions(), QStringList({"session-accept"}));  // no terminate back
    EXPECT_EQ(in(transport_info("0")).jingle_error, "unknown-session");
}

// What ends a running call from the media or the peer's refusal, each reported once.
TEST_F(JingleSessionTest, FailuresEndTheCallOnce) {
    const struct {
        const char* what;
        std::function<void(JingleSessionTest&)> fault;
        QString ended;
        QString sent;
    } cases[] = {
        {"DTLS fingerprint mismatch",
         [](JingleSessionTest& t) {
             t.media.live->on_failed("the peer's certificate does not match");
         },
         "failed-transport: the peer's certificate does not match",
         "session-terminate failed-transport"},
        {"the app refuses our session-initiate",
         [](JingleSessionTest& t) { t.sent[0].answered(false); },
         "general-error: the phone refused the call's session", "session-initiate"},
        {"session-accept without fingerprint",
         [](JingleSessionTest& t) {
             QString accept = samples::conversations_accept;
             accept.remove(QRegularExpression("<fingerprint[^>]*>[^<]*</fingerprint>"));
             EXPECT_TRUE(t.in(accept).ok());
         },
         "security-error: the phone's session was refused: content 0 has no DTLS fingerprint: "
         "no encryption",
         "session-terminate security-error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sent.clear();
        ended.clear();
        make(Role::initiator, "sid-out");
        session->start();
        c.fault(*this);
        scheduler.run_for(30'000);
        EXPECT_EQ(ended, QStringList({c.ended}));
        EXPECT_EQ(actions().last(), c.sent);
        EXPECT_TRUE(media.calls.endsWith("stop"));
    }
}

// Each call asks for its STUN and TURN servers (TURN credentials expire); its media waits for
// the answer, and goes on with the servers known before when none comes in time.
TEST_F(JingleSessionTest, TheMediaUsesTheServersAskedForThisCall) {
    const struct {
        Role role;
        int answer_after_ms;  // < 0: never
        int media_after_ms;   // when the media is made
        const char* server;
    } cases[] = {
        {Role::initiator, 0, 0, "turn:fresh"},
        {Role::responder, 1'000, 1'000, "turn:fresh"},
        {Role::initiator, -1, JingleSession::ice_patience_ms, "stun:stun.example.org:3478"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer_after_ms);
        session.reset();
        media = {};
        int asked = 0;
        fetch_servers = [&](std::function<void(std::vector<CallMedia::IceServer>)> done) {
            ++asked;
            const auto answer = [done] { done({{"turn:fresh", "u", "new"}}); };
            if (c.answer_after_ms >= 0) scheduler.post_after(c.answer_after_ms, answer);
        };
        make(c.role);
        if (c.role == Role::responder) {
            EXPECT_TRUE(in(samples::conversations_initiate).ok());
            session->answer();
        } else {
            session->start();
        }
        scheduler.run_for(std::max(0, c.media_after_ms - 1));
        EXPECT_EQ(media.made, c.media_after_ms == 0 ? 1 : 0);
        scheduler.run_for(2);
        ASSERT_EQ(media.made, 1);
        ASSERT_EQ(media.config.ice_servers.size(), 1u);
        EXPECT_EQ(media.config.ice_servers[0].uri, c.server);
        EXPECT_EQ(asked, 1);
    }
}

}  // namespace
