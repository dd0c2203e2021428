// The XMPP client's own rules, without a server: what a received stanza may cost before it is
// parsed, how a lost stream is described, when the client tries again, and a burst of the
// owner's commands through the whole program in virtual time.
#include <QTcpServer>
#include <QTemporaryDir>
#include <cerrno>

#include "app/frm_testing.h"
#include "app/program.h"
#include "camera/camera_owner.h"
#include "client/in_process_link.h"
#include "doubles.h"
#include "owner_side_fixture.h"
#include "platform/xmpp/xmpp_client.h"
#include "platform/xmpp/xmpp_stream.h"
#include "seams/seams.h"
#include "wait_until.h"

namespace {

QString nested(int depth) {
    return QString("<x>").repeated(depth) + QString("</x>").repeated(depth);
}

// Within the bounds a stanza is shown to `admit` by what its head says, and parsed only when
// admitted; one too large or too deeply nested is dropped before either.
TEST(XmppStanzaBounds, AStanzaIsWeighedAndAdmittedBeforeItIsParsed) {
    const QString from = "from='owner@example.org/phone' type='chat' id='m1'";
    const std::tuple<QString, bool, bool> cases[] = {
        // stanza, within the bounds (so shown to `admit`), parsed
        {"<message " + from + "><body>status</body></message>", true, true},
        {"<message " + from + ">" + nested(XmppStream::max_depth - 1) + "</message>", true, true},
        {"<message " + from + ">" + nested(XmppStream::max_depth + 1) + "</message>", false, false},
        {"<message " + from + "><body>" + QString(XmppStream::max_bytes, 'a') + "</body></message>",
         false, false},
        {"<message " + from + ">" + QString("<a/>").repeated(XmppStream::max_elements) +
             "</message>",
         false, false},
        {"<message from='stranger@example.org/a' type='chat' id='m1'><body>x</body></message>",
         true, false},
    };
    XmppStream stream;
    for (const auto& [xml, within, parsed] : cases) {
        xmpp::Head seen;
        int delivered = 0;
        stream.admit = [&](const xmpp::Head& head) {
            seen = head;
            return head.from.startsWith("owner@");
        };
        stream.on_stanza = [&](const QDomElement& stanza) {
            delivered += stanza.localName() == "message";
        };
        stream.receive_text(xml);
        EXPECT_EQ(!seen.name.isEmpty(), within) << xml.left(120).toStdString();
        EXPECT_EQ(delivered, parsed ? 1 : 0) << xml.left(120).toStdString();
        if (within) {
            EXPECT_EQ(seen.name, "message");
            EXPECT_EQ(seen.type, "chat");
            EXPECT_EQ(seen.id, "m1");
        }
    }
}

// Once TLS is up, libstrophe's error is the TLS library's code (1 for any failure), which read as
// an errno would tell the user "Operation not permitted".
TEST(XmppStreamLoss, ALostStreamIsDescribedAsWhatHappened) {
    const std::tuple<int, bool, bool, QString> cases[] = {
        // error, was connected, TLS was up, what is said
        {0, false, false, "could not connect to the server"},
        {ECONNREFUSED, false, false, "could not connect to the server (Connection refused)"},
        {0, true, true, "the server closed the connection"},
        {1, true, true, "the connection to the server was lost"},
        {5, true, true, "the connection to the server was lost"},
        {ECONNRESET, true, false, "Connection reset by peer"},
    };
    for (const auto& [error, connected, secured, text] : cases)
        EXPECT_EQ(XmppStream::describe_loss(error, connected, secured), text) << error;
}

// The wait doubles from a second to a minute and no further, up to a quarter shorter at random.
TEST(XmppReconnect, TheWaitGrowsToAMinuteWithJitter) {
    const int expected_s[] = {1, 2, 4, 8, 16, 32, 60, 60, 60, 60};
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int longest = expected_s[attempt] * 1000;
        EXPECT_EQ(XmppClient::retry_wait_ms(attempt, 0.0), longest) << attempt;
        EXPECT_EQ(XmppClient::retry_wait_ms(attempt, 1.0), longest - longest / 4) << attempt;
    }
    EXPECT_EQ(XmppClient::retry_wait_ms(1000, 0.5), 52'500);
}

// A client waiting to reconnect tries again at once when the network comes back, and not
// before its wait otherwise.
TEST(XmppReconnect, TheNetworkComingBackEndsTheWait) {
    quint16 closed_port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        closed_port = probe.serverPort();
    }
    VirtualScheduler scheduler;
    XmppAccount account{.jid = "machine@localhost",
                        .password = "pw",
                        .host = "127.0.0.1",
                        .port = closed_port,
                        .ca_file = {},
                        .stale_minutes = 10,
                        .stun = {},
                        .turn = {},
                        .turn_user = {},
                        .turn_password = {},
                        .encryption = XmppAccount::Encryption::off,
                        .owner_fingerprints = {}};
    XmppClient client(scheduler, {account, {}}, nullptr);
    QStringList connections;
    client.core().notify = [&](const QString& line) {
        if (line.startsWith("CONNSTATUS")) connections.append(line.section(' ', 1));
    };
    client.start();
    const auto offline = [&] {
        scheduler.run_for(0);
        return connections.endsWith("OFFLINE");
    };
    ASSERT_TRUE(wait_until(offline, 10'000)) << connections.join(' ');
    // The window's notice: why, and when the next try is due.
    EXPECT_TRUE(client.offline().reason.startsWith("could not connect to the server"));
    EXPECT_GE(client.offline().retry_due_ms - scheduler.now_ms(),
              XmppClient::first_retry_ms * 3 / 4);
    connections.clear();
    scheduler.run_for(XmppClient::first_retry_ms * 3 / 4 - 1);
    EXPECT_EQ(connections, QStringList());
    client.network_back();
    scheduler.run_for(0);
    EXPECT_EQ(connections, QStringList({"CONNECTING"}));
    EXPECT_EQ(client.offline().retry_due_ms, scheduler.now_ms()) << "trying now";
    ASSERT_TRUE(wait_until(offline, 10'000)) << connections.join(' ');
}

// The whole program on the XMPP client's core: two thousand commands from the owner arrive in
// one burst, mixed with a stranger's flood that the stream's pre-filter sees first, and each is
// answered once, in order.
using XmppBurst = OwnerSideFixture;

TEST_F(XmppBurst, EveryCommandOfABurstIsAnsweredOnceInOrder) {
    QTemporaryDir folder;
    Journal journal(scheduler);
    ScriptedCamera camera(journal);
    RecordingSound sound(journal);
    RecordingMessages messages(journal);
    ScriptedDialogs dialogs;
    InProcessLink link(scheduler, client);
    CameraOwner camera_owner(camera);
    Program program(Seams{scheduler, camera, link, sound, messages, link, dialogs}, camera_owner,
                    folder.path());
    frmTesting& form = program.main_window();
    form.show();
    form.Text1.text = "owner@example.org";
    scheduler.run_for(1000);
    roster("<item jid='owner@example.org' subscription='both'/>");
    QStringList replies;
    side.send = [&](const QString& stanza) {
        const QString body = captured(stanza, "<body>([^<]*)</body>");
        if (stanza.contains("to=\"owner@example.org\"") && body.startsWith("Alarm now"))
            replies.append(body);
        EXPECT_FALSE(stanza.contains("stranger@")) << stanza.toStdString();
    };
    const auto admitted = [&](const QString& xml) {
        QDomDocument document;
        document.setContent(xml, true);
        const QDomElement stanza = document.documentElement();
        if (side.admits({stanza.localName(), stanza.attribute("type"), stanza.attribute("from"),
                         stanza.attribute("id")}))
            side.receive(stanza);
    };
    constexpr int burst = 2000;
    for (int n = 0; n < burst; ++n) {
        admitted(QString("<message from='owner@example.org/phone' type='chat'><body>alarm %1"
                         "</body></message>")
                     .arg(n % 2 ? "off" : "on"));
        admitted(
            "<message from='stranger@example.org/x' type='chat'><body>motion off</body>"
            "</message>");
    }
    EXPECT_TRUE(scheduler.run_until([&] { return replies.size() >= burst; }, 600'000))
        << replies.size();
    scheduler.run_for(10'000);
    ASSERT_EQ(replies.size(), burst);
    for (int n = 0; n < burst; ++n)
        ASSERT_EQ(replies[n], n % 2 ? "Alarm now off" : "Alarm now on") << n;
}

}  // namespace
