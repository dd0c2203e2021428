// The mapping between the account's stanzas and the client's protocol lines, without a server:
// stanzas go in as the server would deliver them, and the test reads the lines the program
// would get and the stanzas the machine sends.
#include <gtest/gtest.h>

#include <QDomDocument>
#include <QRegularExpression>

#include "client/client_core.h"
#include "platform/xmpp/xmpp_owner_side.h"
#include "qt_printers.h"
#include "time/virtual_scheduler.h"

namespace {

const QString owner = "owner@example.org";

struct OwnerSideTest : ::testing::Test {
    OwnerSideTest() {
        side.send = [this](const QString& stanza) { sent.append(stanza); };
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

    VirtualScheduler scheduler;
    ClientCore client{
        scheduler,
        {.own_handle = "machine@example.org", .owner = {}, .other_contacts = {}, .version = "1"}};
    XmppOwnerSide side{client, {"example.org", {}, 10}};
    QStringList sent, lines;
};

const QString contacts =
    "<item jid='owner@example.org' subscription='both'/>"
    "<item jid='half@example.org' subscription='to'/>"
    "<item jid='bad;jid@example.org' subscription='both'/>";

// Only a chat body from a contact both ways becomes a line; what comes before the roster waits for
// it. (A stranger's chat and commands that waited too long are the real-server tests'.)
TEST_F(OwnerSideTest, OnlyChatFromAContactBecomesALine) {
    const QString from = "from='owner@example.org/phone' ";
    const std::pair<QString, bool> cases[] = {
        {"<message " + from + "type='chat'><body>status</body></message>", true},
        {"<message " + from + "type='groupchat'><body>motion off</body></message>", false},
        {"<message " + from +
             "type='chat'><active xmlns='http://jabber.org/protocol/chatstates'/></message>",
         false},
        {"<message " + from +
             "type='chat'><received xmlns='urn:xmpp:carbons:2'><forwarded "
             "xmlns='urn:xmpp:forward:0'/></received><body>x</body></message>",
         false},
        {"<message from='half@example.org/a' type='chat'><body>motion off</body></message>", false},
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

// The call target may subscribe to the machine (that nobody else may, the real-server tests
// show). The machine's call rings the phone, with a chat line for apps that cannot ring. An
// answered call ends with "finish", as the real-server tests show; here the phone refuses it, or
// never answers and the machine takes its proposal back when the program hangs up.
TEST_F(OwnerSideTest, TheCallTargetIsApprovedAndTheMachinesCallEndsAsThePhoneSays) {
    roster(contacts);
    side.call_target = [] { return owner; };
    sent.clear();
    receive("<presence from='owner@example.org' type='subscribe'/>");
    ASSERT_EQ(sent.size(), 1);  // already subscribed to the owner: no request back
    EXPECT_TRUE(sent.first().contains("type=\"subscribed\"")) << sent.first();
    receive("<presence from='owner@example.org/phone'/>");
    for (const QString answer : {"reject", ""}) {
        sent.clear();
        const QString id = client.handle("CALL " + owner).section(' ', 1, 1);
        const QString sid =
            QRegularExpression("<propose [^>]*id=\"([^\"]+)\"").match(sent.join("")).captured(1);
        ASSERT_FALSE(sid.isEmpty()) << sent.join('\n');
        EXPECT_TRUE(sent.join("").contains(QRegularExpression("<body>[^<]*calling")));
        for (const QString& phone : {QString("ringing"), answer})
            if (!phone.isEmpty())
                receive("<message from='owner@example.org/phone'><" + phone +
                        " xmlns='urn:xmpp:jingle-message:0' id='" + sid + "'/></message>");
        over(2000);
        EXPECT_EQ(client.handle("GET CALL " + id + " STATUS"),
                  "CALL " + id + " STATUS " + (answer.isEmpty() ? "RINGING" : "REFUSED"));
        sent.clear();
        client.handle("SET CALL " + id + " STATUS FINISHED");
        EXPECT_EQ(sent.join("").contains("<retract "), answer.isEmpty()) << sent.join('\n');
        EXPECT_EQ(sent.size(), answer.isEmpty() ? 1 : 0);
    }
}

}  // namespace
