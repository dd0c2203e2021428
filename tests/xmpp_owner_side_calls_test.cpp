// Calls over the XMPP account with media (a double), without a server: the owner's app rings
// and is answered with a Jingle session, the alarm's call opens one, strangers and second calls
// get none, and what the machine advertises matches what it can do.
#include <QCryptographicHash>

#include "call_media_double.h"
#include "jingle_samples.h"
#include "owner_side_fixture.h"
#include "platform/xmpp/xmpp_stanzas.h"

namespace {

const QString owner = "owner@example.org";
const QString phone = "owner@example.org/Conversations.x1";

// What the media double records outlives the owner side, whose calls' media write to it as they
// end.
struct MediaRecord {
    CallMediaDouble::Record media;
};

struct CallsTest : MediaRecord, OwnerSideFixture {
    CallsTest() : OwnerSideFixture({"example.org", {}, 10, media_double_factory(media), {}}) {
        roster(
            "<item jid='owner@example.org' subscription='both'/>"
            "<item jid='friend@example.org' subscription='both'/>"
            "<item jid='half@example.org' subscription='from'/>");
        side.call_target = [] { return owner; };
        side.send = [this](const QString& stanza) {
            sent.append(stanza);
            if (stanza.contains("urn:xmpp:extdisco:2")) answer_services(stanza);
        };
    }
    // The server names `services` as its STUN and TURN servers, a moment after it was asked;
    // without any it has no such service.
    void answer_services(const QString& request) {
        const QString id = captured(request, "id=\"([^\"]+)\"");
        scheduler.post([this, id] {
            receive("<iq xmlns='jabber:client' type='" +
                    QString(services.isEmpty() ? "error" : "result") + "' id='" + id +
                    "' from='example.org'><services xmlns='urn:xmpp:extdisco:2'>" + services +
                    "</services></iq>");
        });
    }
    void jmi(const QString& action, const QString& sid, const QString& from = phone) {
        receive("<message xmlns='jabber:client' from='" + from + "' type='chat'><" + action +
                " xmlns='urn:xmpp:jingle-message:0' id='" + sid +
                "'><description xmlns='urn:xmpp:jingle:apps:rtp:1' media='video'/></" + action +
                "></message>");
    }
    void jingle(const QString& body, const QString& sid, const QString& from = phone) {
        QString inner = body;
        inner.replace(QRegularExpression("sid='[^']*'"), "sid='" + sid + "'");
        receive("<iq xmlns='jabber:client' type='set' id='j" + QString::number(++iq_number) +
                "' from='" + from + "' to='machine@example.org/vq'>" + inner + "</iq>");
    }
    // The machine's IQs are answered as the phone would.
    void acknowledge() {
        for (const QString& stanza : sent)
            if (stanza.startsWith("<iq") && stanza.contains("type=\"set\""))
                receive("<iq xmlns='jabber:client' type='result' from='" + phone + "' id='" +
                        captured(stanza, "id=\"([^\"]+)\"") + "'/>");
    }
    QString call_id() const { return captured(lines.join('\n'), "CALL (\\d+) STATUS RINGING"); }
    // The owner's app proposes a call and the program answers it: the app's session follows.
    QString answered_call(const QString& sid) {
        jmi("propose", sid);
        scheduler.run_for(100);
        const QString id = call_id();
        client.handle("SET CALL " + id + " STATUS INPROGRESS");
        jingle(samples::conversations_initiate, sid);
        scheduler.run_for(100);
        return id;
    }
    bool sent_jingle(const QString& action) const {
        return all().contains("action=\"" + action + "\"");
    }

    QString services;
    int iq_number = 0;
};

// The owner's app calls, by proposal (Conversations, Monal, Dino) or by a bare session-initiate
// (older desktop apps): ringing, the program answers, the session is accepted and the video
// starts when the program asks for it; the program's hang-up ends session and proposal.
TEST_F(CallsTest, TheOwnerCallsInAndSeesTheRoom) {
    for (const bool proposal : {true, false}) {
        SCOPED_TRACE(proposal ? "proposal" : "session-initiate alone");
        sent.clear();
        lines.clear();
        const QString sid = proposal ? "call-p" : "call-d";
        if (proposal) {
            jmi("propose", sid);
            EXPECT_TRUE(all().contains("<ringing xmlns=\"urn:xmpp:jingle-message:0\" id=\"" + sid));
        } else {
            jingle(samples::conversations_initiate, sid);
            EXPECT_TRUE(sent.last().contains("type=\"result\"")) << sent.last();
        }
        scheduler.run_for(100);
        const QString id = call_id();
        ASSERT_FALSE(id.isEmpty()) << lines.join('\n');
        EXPECT_EQ(media.made, 0);
        EXPECT_FALSE(all().contains("<proceed"));

        client.handle("SET CALL " + id + " STATUS INPROGRESS");
        EXPECT_EQ(all().contains("<proceed"), proposal);
        if (proposal) jingle(samples::conversations_initiate, sid);
        scheduler.run_for(100);
        ASSERT_EQ(media.made, 1);
        EXPECT_TRUE(sent_jingle("session-accept")) << all();
        acknowledge();  // unanswered, the session would end after the IQ time-out
        client.handle("ALTER CALL " + id + " START_VIDEO_SEND");
        EXPECT_TRUE(media.calls.contains("video"));
        media.live->on_connected();
        scheduler.run_for(60'000);

        client.handle("SET CALL " + id + " STATUS FINISHED");
        EXPECT_TRUE(all().contains("<success/>")) << all();
        EXPECT_EQ(all().contains("<finish xmlns=\"urn:xmpp:jingle-message:0\" id=\"" + sid),
                  proposal);
        EXPECT_TRUE(media.calls.endsWith("stop"));
        media = {};
    }
}

// Calls that get no media: the program refuses, a stranger rings, a second call comes while one
// runs. None of them gets a proceed or a session-accept.
TEST_F(CallsTest, CallsThatGetNoMedia) {
    const struct {
        const char* what;
        QString from;
        bool proposal;
        bool busy;       // the friend's call runs already
        QString answer;  // what the caller gets
    } cases[] = {
        {"refused proposal", phone, true, false, "<reject xmlns=\"urn:xmpp:jingle-message:0\""},
        {"refused session", phone, false, false, "<decline/>"},
        {"stranger's proposal", "eve@example.net/x", true, false, ""},
        {"stranger's session", "eve@example.net/x", false, false, ""},
        {"one-way contact's session", "half@example.org/x", false, false, ""},
        {"second proposal", phone, true, true, "<reject xmlns=\"urn:xmpp:jingle-message:0\""},
        {"second session", phone, false, true, "<busy/>"},
    };
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QString busy_id;
        if (c.busy) {
            lines.clear();
            jmi("propose", "friend-call", "friend@example.org/d");
            scheduler.run_for(100);
            busy_id = call_id();
            ASSERT_FALSE(busy_id.isEmpty());
        }
        sent.clear();
        lines.clear();
        const QString sid = QString("sid-%1").arg(++row);
        if (c.proposal)
            jmi("propose", sid, c.from);
        else
            jingle(samples::conversations_initiate, sid, c.from);
        scheduler.run_for(100);
        const QString id = call_id();
        if (!id.isEmpty()) client.handle("SET CALL " + id + " STATUS FINISHED");
        scheduler.run_for(100);
        if (c.answer.isEmpty())
            EXPECT_TRUE(sent.isEmpty()) << all();
        else
            EXPECT_TRUE(all().contains(c.answer)) << all();
        EXPECT_FALSE(all().contains("<proceed") || sent_jingle("session-accept")) << all();
        EXPECT_EQ(media.made, 0);
        if (c.busy) client.handle("SET CALL " + busy_id + " STATUS FINISHED");
    }
}

// The alarm calls the owner: the proposal names audio and video; the phone's proceed makes the
// machine the Jingle initiator, and the app's session-accept is the media's answer.
TEST_F(CallsTest, TheAlarmCallsTheOwner) {
    const QString id = client.handle("CALL " + owner).section(' ', 1, 1);
    const QString sid = captured(all(), "<propose [^>]*id=\"([^\"]+)\"");
    ASSERT_FALSE(sid.isEmpty()) << all();
    EXPECT_TRUE(all().contains("media=\"audio\"") && all().contains("media=\"video\""));
    jmi("ringing", sid);
    jmi("proceed", sid);
    scheduler.run_for(100);
    EXPECT_EQ(client.handle("GET CALL " + id + " STATUS"), "CALL " + id + " STATUS INPROGRESS");
    ASSERT_TRUE(sent_jingle("session-initiate")) << all();
    EXPECT_TRUE(all().contains("sid=\"" + sid + "\""));
    acknowledge();
    jingle(samples::conversations_accept, sid);
    EXPECT_TRUE(media.calls.contains("remote-answer"));
    // The phone hangs up.
    jingle(
        "<jingle xmlns='urn:xmpp:jingle:1' action='session-terminate' sid='x'>"
        "<reason><success/></reason></jingle>",
        sid);
    scheduler.run_for(100);
    EXPECT_EQ(client.handle("GET CALL " + id + " STATUS"), "CALL " + id + " STATUS FINISHED");
    EXPECT_TRUE(media.calls.endsWith("stop"));
}

// A call that cannot connect ends within 20 s: the owner is told why, the program sees it end.
TEST_F(CallsTest, ACallThatCannotConnectEndsAndSaysWhy) {
    const QString id = answered_call("s1");
    acknowledge();
    sent.clear();
    scheduler.run_for(20'000);
    EXPECT_EQ(client.handle("GET CALL " + id + " STATUS"), "CALL " + id + " STATUS FINISHED");
    EXPECT_TRUE(all().contains("<connectivity-error/>")) << all();
    EXPECT_TRUE(
        all().contains("<body>The call could not connect: no media connection within 20 s.</body>"))
        << all();
    EXPECT_TRUE(all().contains("<finish "));
}

// What the machine says it can do: Jingle calls only with media, and the capabilities hash in its
// presence is that of its disco#info answer, so apps that cache it see the same.
TEST(CallFeatures, AdvertisedExactlyWhenMediaCanCarryCalls) {
    const QStringList jingle = {"urn:xmpp:jingle:1",
                                "urn:xmpp:jingle:apps:rtp:1",
                                "urn:xmpp:jingle:apps:rtp:audio",
                                "urn:xmpp:jingle:apps:rtp:video",
                                "urn:xmpp:jingle:transports:ice-udp:1",
                                "urn:xmpp:jingle:apps:dtls:0"};
    for (const bool media : {true, false}) {
        QDomDocument request;
        request.setContent(QString("<iq type='get' id='d1' from='owner@example.org/x'><query "
                                   "xmlns='http://jabber.org/protocol/disco#info'/></iq>"),
                           true);
        QDomDocument answer;
        ASSERT_TRUE(
            answer.setContent(xmpp::disco_info_result(request.documentElement(), media), true));
        QStringList features;
        const QDomNodeList nodes = answer.elementsByTagName("feature");
        for (int i = 0; i < nodes.size(); ++i) features << nodes.at(i).toElement().attribute("var");
        for (const QString& feature : jingle)
            EXPECT_EQ(features.contains(feature), media) << feature.toStdString();
        EXPECT_TRUE(features.contains("urn:xmpp:jingle-message:0"));
        const QDomElement identity = answer.elementsByTagName("identity").at(0).toElement();
        QString text = identity.attribute("category") + "/" + identity.attribute("type") + "//" +
                       identity.attribute("name") + "<";
        features.sort();
        for (const QString& feature : features) text += feature + "<";
        const QString hash =
            QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toBase64();
        EXPECT_EQ(captured(xmpp::available_presence(media), "ver=\"([^\"]+)\""), hash);
    }
}

// Each call asks the account's server for its STUN and TURN servers afresh: TURN credentials
// expire, so a call never uses those of the call before.
TEST_F(CallsTest, EachCallAsksForTheServersOfTheAccountsServer) {
    EXPECT_FALSE(all().contains("urn:xmpp:extdisco:2")) << "asked before any call";
    for (const QString password : {"p1", "p2"}) {
        SCOPED_TRACE(password.toStdString());
        services =
            "<service host='stun.example.org' port='3478' transport='udp' type='stun'/>"
            "<service host='turn.example.org' port='3478' transport='udp' type='turn' "
            "username='u' password='" +
            password + "' expires='2030-01-01T00:00:00Z'/>";
        lines.clear();
        const QString id = answered_call("s-" + password);
        ASSERT_EQ(media.config.ice_servers.size(), 2u);
        EXPECT_EQ(media.config.ice_servers[1].password, password);
        client.handle("SET CALL " + id + " STATUS FINISHED");
        scheduler.run_for(100);
    }
}

}  // namespace
