// The mapping between the account's stanzas and the client's protocol lines, without a server:
// stanzas go in as the server would deliver them, and the test reads the lines the program
// would get and the stanzas the machine sends.
#include <gtest/gtest.h>

#include <QDomDocument>

#include "child_process.h"
#include "client/simulated_client.h"
#include "platform/xmpp/xmpp_owner_side.h"
#include "qt_printers.h"
#include "time/virtual_scheduler.h"

namespace {

const QString owner = "owner@example.org";
const QString now_stamp = "2026-12-07T10:00:00Z";

struct OwnerSideTest : ::testing::Test {
    OwnerSideTest() {
        side.send = [this](const QString& stanza) { sent.append(stanza); };
        side.now = [] { return QDateTime::fromString(now_stamp, Qt::ISODate); };
        client.notify = [this](const QString& line) { lines.append(line); };
        client.handle("NAME VideoQuelm");
        side.stream_up("machine@example.org/vq");
    }
    void receive(const QString& xml) {
        QDomDocument document;
        ASSERT_TRUE(document.setContent(xml, true)) << xml.toStdString();
        side.receive(document.documentElement());
    }
    // The roster the server answers the first request with.
    void roster(const QString& items) {
        const QString id = QRegularExpression("id=\"([^\"]+)\"").match(sent.first()).captured(1);
        receive("<iq xmlns='jabber:client' type='result' id='" + id +
                "'><query xmlns='jabber:iq:roster'>" + items + "</query></iq>");
    }
    QStringList over(qint64 ms) {
        lines.clear();
        scheduler.run_for(ms);
        return lines;
    }
    // The text bodies the machine sent, in order.
    QStringList bodies() const {
        QStringList found;
        for (const QString& stanza : sent) {
            const auto match = QRegularExpression("<body>([^<]*)</body>").match(stanza);
            if (match.hasMatch()) found.append(match.captured(1));
        }
        return found;
    }

    VirtualScheduler scheduler;
    SimulatedClient client{
        scheduler,
        {.own_handle = "machine@example.org", .owner = {}, .other_contacts = {}, .version = "1"}};
    XmppOwnerSide side{client, {"example.org", {}, 10}};
    QStringList sent, lines;
};

const QString contacts =
    "<item jid='owner@example.org' subscription='both'/>"
    "<item jid='half@example.org' subscription='to'/>"
    "<item jid='bad;jid@example.org' subscription='both'/>";

TEST_F(OwnerSideTest, OnlyChatFromAContactBecomesALineAndStaleCommandsAreReported) {
    const QString from = "from='owner@example.org/phone' ";
    struct Case {
        QString stanza;
        bool obeyed;
    };
    const Case cases[] = {
        {"<message " + from + "type='chat'><body>status</body></message>", true},
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
        {"<message from='stranger@example.org/a' type='chat'><body>motion off</body></message>",
         false},
        {"<message " + from +
             "type='chat'><body>young</body><delay xmlns='urn:xmpp:delay' "
             "stamp='2026-12-07T09:55:00Z'/></message>",
         true},
        {"<message " + from +
             "type='chat'><body>motion off</body><delay xmlns='urn:xmpp:delay' "
             "stamp='2026-12-06T10:00:00Z'/></message>",
         false},
    };
    // What comes before the roster waits for it.
    receive(cases[0].stanza);
    EXPECT_TRUE(over(1000).isEmpty());
    roster(contacts);
    EXPECT_EQ(over(1000).size(), 1);
    for (const Case& c : cases) {
        receive(c.stanza);
        EXPECT_EQ(!over(1000).isEmpty(), c.obeyed) << c.stanza.toStdString();
    }
    ASSERT_TRUE(wait_until([this] { return bodies().size() == 1; }, 5000));
    EXPECT_TRUE(bodies().first().contains("Not obeyed")) << bodies().first();
    EXPECT_TRUE(bodies().first().contains("motion off")) << bodies().first();
    EXPECT_TRUE(sent.last().contains("to=\"owner@example.org\""));
}

TEST_F(OwnerSideTest, ContactsAndTheirPresenceAreTheClientsUsersAndStatus) {
    roster(contacts);
    EXPECT_EQ(client.handle("SEARCH FRIENDS"), "USERS owner@example.org");
    const std::pair<QString, QString> cases[] = {
        {"<presence from='owner@example.org/a'><show>dnd</show></presence>", "DND"},
        {"<presence from='owner@example.org/b'><show>away</show></presence>", "AWAY"},
        {"<presence from='owner@example.org/c'/>", "ONLINE"},
        {"<presence from='owner@example.org/c' type='unavailable'/>", "AWAY"},
        {"<presence from='owner@example.org/b' type='unavailable'/>", "DND"},
        {"<presence from='owner@example.org/a' type='unavailable'/>", "OFFLINE"},
    };
    for (const auto& [stanza, status] : cases) {
        receive(stanza);
        EXPECT_EQ(client.handle("GET USER owner@example.org ONLINESTATUS"),
                  "USER owner@example.org ONLINESTATUS " + status)
            << stanza.toStdString();
    }
}

TEST_F(OwnerSideTest, OnlyTheCallTargetsSubscriptionIsApproved) {
    roster(contacts);
    side.call_target = [] { return owner; };
    sent.clear();
    receive("<presence from='stranger@example.org' type='subscribe'/>");
    EXPECT_TRUE(sent.isEmpty());
    receive("<presence from='owner@example.org' type='subscribe'/>");
    ASSERT_EQ(sent.size(), 1);  // already subscribed to the owner: no request back
    EXPECT_TRUE(sent.first().contains("type=\"subscribed\"")) << sent.first();
}

TEST_F(OwnerSideTest, TheMachinesCallRingsThePhoneAndEndsAsThePhoneSays) {
    roster(contacts);
    receive("<presence from='owner@example.org/phone'/>");
    struct Case {
        QString answer;     // what the phone does after ringing
        QString status;     // the call's last status
        QString sent_last;  // what the machine sends when the program hangs up
    };
    const Case cases[] = {
        {"reject", "REFUSED", ""},
        {"proceed", "INPROGRESS", "finish"},
        {"", "RINGING", "retract"},
    };
    for (const Case& c : cases) {
        sent.clear();
        const QString id = client.handle("CALL " + owner).section(' ', 1, 1);
        ASSERT_TRUE(bodies().value(0).contains("calling")) << sent.join('\n');
        const QString sid = QRegularExpression(
                                "<propose xmlns=\"urn:xmpp:jingle-message:0\" "
                                "id=\"([^\"]+)\"")
                                .match(sent.join(""))
                                .captured(1);
        ASSERT_FALSE(sid.isEmpty()) << sent.join('\n');
        receive(
            "<message from='owner@example.org/phone'><ringing xmlns='urn:xmpp:jingle-message:0' "
            "id='" +
            sid + "'/></message>");
        if (!c.answer.isEmpty())
            receive("<message from='owner@example.org/phone'><" + c.answer +
                    " xmlns='urn:xmpp:jingle-message:0' id='" + sid + "'/></message>");
        over(2000);
        EXPECT_EQ(client.handle("GET CALL " + id + " STATUS"),
                  "CALL " + id + " STATUS " + c.status);
        sent.clear();
        client.handle("SET CALL " + id + " STATUS FINISHED");
        if (c.sent_last.isEmpty())
            EXPECT_TRUE(sent.isEmpty()) << sent.join('\n').toStdString();
        else
            EXPECT_TRUE(sent.value(0).contains("<" + c.sent_last + " ")) << sent.join('\n');
    }
}

}  // namespace
