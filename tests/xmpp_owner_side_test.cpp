// The mapping between the account's stanzas and the client's protocol lines, without a server, in
// virtual time: stanzas go in as the server would deliver them, and the test reads the lines the
// program would get and the stanzas the machine sends.
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <ctime>

#include "owner_side_fixture.h"

namespace {

const QString owner = "owner@example.org";

struct OwnerSideTest : OwnerSideFixture {
    QStringList over(qint64 ms) {
        lines.clear();
        scheduler.run_for(ms);
        return lines;
    }
    // What the program would read as a message's author, asked as the program asks.
    QString author_of_last_message() {
        const QString id = lines.filter("RECEIVED").value(0).section(' ', 1, 1);
        return client.handle("GET CHATMESSAGE " + id + " FROM_HANDLE").section(' ', 3);
    }
    // A delay stamp (in UTC, as servers write it) for `seconds` before now.
    QString delay(int seconds) const {
        return "<delay xmlns='urn:xmpp:delay' stamp='" +
               scheduler.current_date_time().addSecs(-seconds).toUTC().toString(Qt::ISODate) +
               "'/>";
    }
    QString bodies() const {
        QStringList all;
        for (const QString& stanza : sent) {
            QDomDocument document;
            document.setContent(stanza);
            all += document.documentElement().firstChildElement("body").text();
        }
        all.removeAll({});
        return all.join('|');
    }
};

const QString contacts =
    "<item jid='owner@example.org' subscription='both'/>"
    "<item jid='half@example.org' subscription='to'/>"
    "<item jid='bad;jid@example.org' subscription='both'/>";

// Only a body from a contact both ways becomes a line, be it a chat or a "normal" message (some
// apps send no type); what comes before the roster waits for it. Addresses that merely look like
// the owner's are strangers; the owner's own in other letter cases is the owner.
TEST_F(OwnerSideTest, OnlyABodyFromAContactBecomesALine) {
    const QString from = "from='owner@example.org/phone' ";
    const std::pair<QString, bool> cases[] = {
        {"<message " + from + "type='chat'><body>status</body></message>", true},
        {"<message " + from + "><body>status</body></message>", true},
        {"<message from='OWNER@Example.ORG/phone' type='chat'><body>x</body></message>", true},
        {"<message " + from + "type='groupchat'><body>motion off</body></message>", false},
        {"<message " + from + "type='headline'><body>motion off</body></message>", false},
        {"<message " + from + "type='error'><body>motion off</body></message>", false},
        {"<message " + from +
             "type='chat'><active xmlns='http://jabber.org/protocol/chatstates'/></message>",
         false},
        {"<message " + from +
             "type='chat'><received xmlns='urn:xmpp:carbons:2'><forwarded "
             "xmlns='urn:xmpp:forward:0'/></received><body>x</body></message>",
         false},
        {"<message from='half@example.org/a' type='chat'><body>motion off</body></message>", false},
        {"<message from='stranger@example.org/a' type='chat'><body>x</body></message>", false},
        {"<message from='owner@example.org.evil.net/a' type='chat'><body>x</body></message>",
         false},
        {"<message from='evil.net/owner@example.org' type='chat'><body>x</body></message>", false},
        {"<message from='owner%example.org@evil.net' type='chat'><body>x</body></message>", false},
        {"<message from='bad;jid@example.org/a' type='chat'><body>x</body></message>", false},
    };
    receive(cases[0].first);
    EXPECT_TRUE(over(1000).isEmpty());
    roster(contacts);
    EXPECT_EQ(over(1000).size(), 1);
    for (const auto& [stanza, obeyed] : cases) {
        receive(stanza);
        EXPECT_EQ(!over(1000).isEmpty(), obeyed) << stanza.toStdString();
    }
}

// The program obeys only lines whose author is its call target, spelled exactly as the user
// typed it: whatever case the phone's server uses, the author is handed on in that spelling, and
// lines and calls go to the address as the server spells it.
TEST_F(OwnerSideTest, TheCallTargetInAnyCaseIsTheOwner) {
    roster(contacts);
    receive("<presence from='owner@example.org/phone'/>");
    for (const QString target : {"owner@example.org", "Owner@Example.org", "OWNER@EXAMPLE.ORG"}) {
        SCOPED_TRACE(target.toStdString());
        side.call_target = [target] { return target; };
        receive(
            "<message from='owner@example.org/phone' type='chat'><body>status</body></message>");
        over(100);
        EXPECT_EQ(author_of_last_message(), target);
        EXPECT_EQ(client.handle("GET USER " + target + " ONLINESTATUS"),
                  "USER " + target + " ONLINESTATUS ONLINE");
        sent.clear();
        const QString call = client.handle("CALL " + target).section(' ', 1, 1);
        EXPECT_TRUE(sent.join("").contains("<propose ")) << sent.join('\n');
        EXPECT_TRUE(sent.join("").contains("to=\"owner@example.org\"")) << sent.join('\n');
        client.handle("SET CALL " + call + " STATUS FINISHED");
    }
}

// Commands that waited on the server: young ones are obeyed; stale ones are not, and are told in
// one report, in the machine's local time, with the limit in good English.
TEST_F(OwnerSideTest, StaleCommandsAreToldNotObeyed) {
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Asia/Kolkata");  // local time and UTC differ by 5:30
    tzset();
    const auto at = [this](int age_s) {
        return "\"motion off\" (" +
               scheduler.current_date_time().addSecs(-age_s).toString("yyyy-MM-dd hh:mm") + ")";
    };
    const std::tuple<int, std::vector<int>, int, QString> cases[] = {
        // staleness limit, ages of the commands, how many are obeyed, the report
        {10, {0, 60, 540}, 3, ""},
        {10, {660, 30, 86'400}, 1, "more than 10 minutes ago: " + at(660) + ", " + at(86'400)},
        {1, {120}, 0, "more than 1 minute ago: " + at(120)},
    };
    for (const auto& [minutes, ages, obeyed, report] : cases) {
        XmppOwnerSide other(client, scheduler, {"example.org", {}, minutes, {}, {}});
        other.send = [this](const QString& stanza) { sent.append(stanza); };
        sent.clear();
        other.stream_up("machine@example.org/vq");
        const auto give = [&other](const QString& xml) {
            QDomDocument document;
            document.setContent(xml, true);
            other.receive(document.documentElement());
        };
        give("<iq type='result' id='" + captured(sent.first(), "id=\"([^\"]+)\"") +
             "'><query xmlns='jabber:iq:roster'>" + contacts + "</query></iq>");
        for (const int age : ages)
            give("<message from='owner@example.org/phone' type='chat'><body>motion off</body>" +
                 (age ? delay(age) : QString()) + "</message>");
        EXPECT_EQ(over(999).filter("RECEIVED").size(), obeyed);
        EXPECT_EQ(bodies(), "");
        scheduler.run_for(1);
        EXPECT_EQ(bodies(), report.isEmpty() ? report
                                             : "Not obeyed: sent while I was offline, " + report +
                                                   ". Send again if you still mean it.");
    }
    qputenv("TZ", zone);
    tzset();
}

// Disco and ping tell that the machine is there and what it runs: its people and its server are
// answered, strangers are not. An answer nobody asked for is dropped.
TEST_F(OwnerSideTest, OnlyContactsAndTheServerLearnWhatTheMachineIs) {
    roster(contacts);
    const QString ping = "<ping xmlns='urn:xmpp:ping'/>";
    const QString disco = "<query xmlns='http://jabber.org/protocol/disco#info'/>";
    const QString jingle = "<jingle xmlns='urn:xmpp:jingle:1' action='session-initiate'/>";
    const std::tuple<QString, QString, QString> cases[] = {
        {"owner@example.org/phone", disco, "type=\"result\""},
        {"owner@example.org/phone", ping, "type=\"result\""},
        {"example.org", ping, "type=\"result\""},
        {"machine@example.org/other", disco, "type=\"result\""},
        {"owner@example.org/phone", jingle, "feature-not-implemented"},
        {"stranger@example.org/a", disco, ""},
        {"stranger@example.org/a", ping, ""},
        {"half@example.org/a", ping, ""},
        {"upload.example.org", ping, ""},
    };
    for (const auto& [from, query, answer] : cases) {
        sent.clear();
        receive("<iq from='" + from + "' type='get' id='q1'>" + query + "</iq>");
        if (answer.isEmpty())
            EXPECT_EQ(sent, QStringList()) << from.toStdString();
        else
            EXPECT_TRUE(sent.join("").contains(answer))
                << from.toStdString() << query.toStdString();
    }
    XmppOwnerSide::Head result{"iq", "result", "upload.example.org", "never-asked"};
    EXPECT_FALSE(side.admits(result));
}

// Only the call target may subscribe. Anyone else's request waits, unanswered, until the program
// names them as its target.
TEST_F(OwnerSideTest, OnlyTheCallTargetIsApproved) {
    roster(
        "<item jid='owner@example.org' subscription='both'/>"
        "<item jid='new@example.org' subscription='none'/>");
    side.call_target = [] { return QString("Owner@example.org"); };
    const std::tuple<QString, QStringList> cases[] = {
        {"owner@example.org", {"subscribed"}},
        {"OWNER@example.org", {"subscribed"}},
        {"new@example.org", {}},
        {"stranger@example.org", {}},
    };
    for (const auto& [from, replies] : cases) {
        sent.clear();
        receive("<presence from='" + from + "' type='subscribe'/>");
        QStringList types;
        for (const QString& stanza : sent)
            types += QRegularExpression("type=\"([a-z]+)\"").match(stanza).captured(1);
        EXPECT_EQ(types, replies) << from.toStdString();
    }
    sent.clear();
    side.call_target = [] { return QString("new@example.org"); };
    side.target_named("new@example.org");
    EXPECT_EQ(sent.size(), 2);  // approved, and asked back
    EXPECT_TRUE(sent.join("").contains("type=\"subscribed\"")) << sent.join('\n');
}

// Calls as Jingle Message Initiation, each row a call: who begins it, what the phone sends, what
// the program does; the call's status the program reads and the last call message the machine
// sent. A proposal from while the machine was away is over. (Refusals and strangers are the
// calls tests'.)
TEST_F(OwnerSideTest, CallsGoAsThePhoneAndTheProgramSay) {
    roster(contacts);
    side.call_target = [] { return owner; };
    receive("<presence from='owner@example.org/phone'/>");
    struct Case {
        bool machine_calls;
        QStringList phone;  // JMI actions, or "program:<status>"
        QString status;     // the program's call's last status; empty: no call
        QString last_sent;  // the machine's last JMI action
    };
    const Case cases[] = {
        {true, {"ringing", "reject"}, "REFUSED", "propose"},
        {true, {"ringing", "program:FINISHED"}, "CANCELLED", "retract"},
        {true, {"proceed", "finish"}, "FINISHED", "propose"},
        {true, {"proceed", "program:FINISHED"}, "FINISHED", "finish"},
        {false, {"propose", "retract"}, "CANCELLED", "ringing"},
        {false, {"propose", "program:INPROGRESS", "finish"}, "FINISHED", "proceed"},
        {false, {"delayed:propose"}, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.phone.join(", ").toStdString());
        sent.clear();
        lines.clear();
        QString call, sid = "phone-call";
        if (c.machine_calls) {
            call = client.handle("CALL " + owner).section(' ', 1, 1);
            sid = QRegularExpression("<propose [^>]*id=\"([^\"]+)\"")
                      .match(sent.join(""))
                      .captured(1);
        }
        for (const QString& step : c.phone) {
            if (step.startsWith("program:")) {
                client.handle("SET CALL " + call + " STATUS " + step.section(':', 1));
            } else {
                receive("<message from='owner@example.org/phone'><" + step.section(':', -1) +
                        " xmlns='urn:xmpp:jingle-message:0' id='" + sid + "'/>" +
                        (step.startsWith("delayed:") ? delay(30) : QString()) + "</message>");
            }
            scheduler.run_for(100);
            if (call.isEmpty())
                call = lines.filter(QRegularExpression("^CALL \\d+ STATUS"))
                           .value(0)
                           .section(' ', 1, 1);
        }
        scheduler.run_for(2000);
        EXPECT_EQ(call.isEmpty() ? QString() : client.handle("GET CALL " + call + " STATUS"),
                  call.isEmpty() ? QString() : "CALL " + call + " STATUS " + c.status);
        EXPECT_EQ(call.isEmpty(), c.status.isEmpty());
        const QStringList actions = [&] {
            QStringList all;
            for (const QString& stanza : sent)
                all += QRegularExpression("<(propose|ringing|proceed|reject|retract|finish) ")
                           .match(stanza)
                           .captured(1);
            all.removeAll({});
            return all;
        }();
        EXPECT_EQ(actions.value(actions.size() - 1), c.last_sent) << sent.join('\n');
    }
}

// A picture the server will not take is told to the owner with the server's reason; the
// service is found among the domain's items. (A server that does not answer is the outbox's:
// the picture waits for the next stream.)
TEST_F(OwnerSideTest, ARefusedPictureIsToldWithTheReason) {
    roster(contacts);
    QTemporaryDir folder;
    const QString picture = folder.filePath("Pic070315142330.JPG");
    QFile file(picture);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("jpeg") == 4);
    file.close();
    const QString upload_info =
        "<query xmlns='http://jabber.org/protocol/disco#info'>"
        "<feature var='urn:xmpp:http:upload:0'/></query>";
    const QString items =
        "<query xmlns='http://jabber.org/protocol/disco#items'>"
        "<item jid='upload.example.org'/></query>";
    const QString refusal =
        "<error type='modify'><not-acceptable "
        "xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/><text "
        "xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'>File too large</text>"
        "</error>";
    struct Step {
        QString type, content, from;
    };
    const std::pair<std::vector<Step>, QString> cases[] = {
        {{{"result", "<query xmlns='http://jabber.org/protocol/disco#info'/>", "example.org"},
          {"result", "<query xmlns='http://jabber.org/protocol/disco#items'/>", "example.org"}},
         "the server offers no upload service"},
        {{{"result", upload_info, "example.org"}, {"error", refusal, "example.org"}},
         "no upload slot: the server refused (File too large)"},
        {{{"result", "<query xmlns='http://jabber.org/protocol/disco#info'/>", "example.org"},
          {"result", items, "example.org"},
          {"result", upload_info, "upload.example.org"},
          {"error", refusal, "upload.example.org"}},
         "no upload slot: the server refused (File too large)"},
    };
    for (const auto& [steps, reason] : cases) {
        side.stream_down();
        sent.clear();
        asked = 0;
        side.stream_up("machine@example.org/vq");
        roster(contacts);
        side.send_file(owner, picture);
        for (const Step& step : steps) answer_next_iq(step.type, step.content, step.from);
        scheduler.run_for(XmppOwnerSide::iq_timeout_ms);
        EXPECT_EQ(bodies(), "The picture could not be sent: " + reason + ".") << sent.join('\n');
    }
}

}  // namespace
