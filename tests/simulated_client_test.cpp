// The simulated client on its own: the lines it answers and sends, as the program would see them.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "client/simulated_client.h"
#include "qt_printers.h"
#include "time/virtual_scheduler.h"

namespace {

struct ClientTest : ::testing::Test {
    ClientTest() {
        client.notify = [this](const QString& line) { lines.append(line); };
        client.handle("NAME VideoQuelm");
    }
    // The notifications that arrive over the next `ms`.
    QStringList over(qint64 ms) {
        lines.clear();
        scheduler.run_for(ms);
        return lines;
    }
    QString chat(const QString& message = "101") {
        return client.handle("GET CHATMESSAGE " + message + " CHATNAME").section(' ', 3);
    }

    VirtualScheduler scheduler;
    SimulatedClient client{scheduler};
    QStringList lines;
};

TEST_F(ClientTest, CommandsGetTheirRepliesWithTheirTags) {
    const std::pair<QString, QString> cases[] = {
        {"PING", "PONG"},
        {"PROTOCOL 5", "PROTOCOL 5"},
        {"PROTOCOL 99", "PROTOCOL 7"},
        {"GET SKYPEVERSION", "SKYPEVERSION 2.0.0.105"},
        {"get currentuserhandle", "CURRENTUSERHANDLE vq.camera"},
        {"Search friends ", "USERS vq.owner, alice.next.door, echo123"},
        {"GET USER alice.next.door ONLINESTATUS", "USER alice.next.door ONLINESTATUS ONLINE"},
        {"#42 GET SKYPEVERSION", "#42 SKYPEVERSION 2.0.0.105"},
        {"#605 GET CHATMESSAGE 999 CHATNAME", "#605 ERROR 14 Invalid message id"},
        {"#510 GET CALL 7 PARTNER_HANDLE", "#510 ERROR 11 Invalid call id"},
        {"SET CALL 7 STATUS FINISHED", "ERROR 11 Invalid call id"},
        {"CHATMESSAGE #a/$b;0 hello", "ERROR 105 Invalid chat name"},
        {"CALL ", "ERROR 34 Invalid call target"},
        {"OPEN FILETRANSFER stranger IN /tmp", "ERROR 8 Invalid user handle"},
        {"DANCE", "ERROR 2 Unknown command"},
        {"", "ERROR 2 Unknown command"},
        {"#7", "#7 ERROR 2 Unknown command"},
        {"#1 #2 GET", "#1 ERROR 2 Unknown command"},
    };
    for (const auto& [command, reply] : cases) EXPECT_EQ(client.handle(command), reply) << command;
    EXPECT_TRUE(over(5'000).isEmpty()) << "none of these has anything to tell later";
}

TEST_F(ClientTest, AProgramMustNameItselfAndMayBeRefused) {
    SimulatedClient fresh(scheduler);
    EXPECT_EQ(fresh.handle("PING"), "PONG");
    EXPECT_EQ(fresh.handle("GET SKYPEVERSION"), "ERROR 68");
    fresh.set_access_allowed(false);
    EXPECT_EQ(fresh.handle("NAME VideoQuelm"), "ERROR 68");
    EXPECT_EQ(fresh.handle("SEARCH FRIENDS"), "ERROR 68");
    fresh.set_access_allowed(true);
    EXPECT_EQ(fresh.handle("NAME VideoQuelm"), "OK");
    EXPECT_EQ(fresh.handle("SEARCH FRIENDS"), "USERS vq.owner, alice.next.door, echo123");
}

TEST_F(ClientTest, AChatLineIsAnnouncedFetchedAndAnswered) {
    client.say("status");
    EXPECT_EQ(over(0), QStringList{"CHATMESSAGE 101 STATUS RECEIVED"});
    const QString name = chat();
    EXPECT_TRUE(
        QRegularExpression("^#vq\\.owner/\\$vq\\.camera;[0-9a-f]{16}$").match(name).hasMatch())
        << name.toStdString();
    EXPECT_EQ(client.handle("#610 GET CHATMESSAGE 101 BODY"), "#610 CHATMESSAGE 101 BODY status");
    EXPECT_EQ(client.handle("GET CHATMESSAGE 101 FROM_HANDLE"),
              "CHATMESSAGE 101 FROM_HANDLE vq.owner");

    EXPECT_EQ(client.handle("CHATMESSAGE " + name + " Status of Video Quelm\r\rLine\r"),
              "CHATMESSAGE 102 STATUS SENDING");
    EXPECT_TRUE(client.seen_by().lines.isEmpty()) << "not there before it is sent";
    EXPECT_EQ(over(100), QStringList{"CHATMESSAGE 102 STATUS SENT"});
    EXPECT_EQ(client.seen_by().lines, QStringList{"Status of Video Quelm\r\rLine\r"});

    client.say("help");
    over(0);
    EXPECT_EQ(client.handle("GET CHATMESSAGE 103 CHATNAME"), "CHATMESSAGE 103 CHATNAME " + name)
        << "the same two people keep one chat";
    client.say("hi", "alice.next.door");
    over(0);
    EXPECT_NE(client.handle("GET CHATMESSAGE 104 CHATNAME"), "CHATMESSAGE 104 CHATNAME " + name);
    client.say("hi", "stranger");
    EXPECT_TRUE(over(0).isEmpty()) << "only contacts reach the machine";
}

TEST_F(ClientTest, ACallToSomeoneUnreachableFailsWithAReason) {
    client.set_contact_online("alice.next.door", false);
    const std::pair<QString, QString> cases[] = {{"nobody.known", "2"}, {"alice.next.door", "3"}};
    int id = 101;
    for (const auto& [target, reason] : cases) {
        client.handle("CALL " + target);
        const QString call = QString::number(id++);
        EXPECT_EQ(over(2'000), (QStringList{"CALL " + call + " STATUS ROUTING",
                                            "CALL " + call + " FAILUREREASON " + reason,
                                            "CALL " + call + " STATUS FAILED"}))
            << target.toStdString();
    }
}

TEST_F(ClientTest, TheOwnerCallsInIsAnsweredAndSeesTheVideo) {
    client.video_source = [] { return QImage(320, 240, QImage::Format_RGB32); };
    const QString id = client.call_machine();
    EXPECT_EQ(id, "101");
    EXPECT_EQ(over(0), (QStringList{"CALL 101 CONF_ID 0", "CALL 101 STATUS RINGING"}));
    EXPECT_EQ(client.handle("#510 GET CALL 101 PARTNER_HANDLE"),
              "#510 CALL 101 PARTNER_HANDLE vq.owner");
    EXPECT_EQ(client.handle("ALTER CALL 101 START_VIDEO_SEND"), "ERROR 19 Invalid call status")
        << "no video before the call is answered";
    EXPECT_EQ(client.handle("#511 SET CALL 101 STATUS INPROGRESS"),
              "#511 CALL 101 STATUS INPROGRESS");
    EXPECT_EQ(client.handle("#511 SET CALL 101 STATUS INPROGRESS"),
              "#511 ERROR 19 Invalid call status");
    EXPECT_EQ(over(0), QStringList{"CALL 101 STATUS INPROGRESS"});
    EXPECT_FALSE(client.seen_by().video);
    EXPECT_TRUE(client.video_frame().isNull());

    EXPECT_EQ(client.handle("ALTER CALL 101 START_VIDEO_SEND"), "ALTER CALL 101 START_VIDEO_SEND");
    EXPECT_EQ(over(0), (QStringList{"CALL 101 VIDEO_SEND_STATUS STARTING",
                                    "CALL 101 VIDEO_SEND_STATUS RUNNING",
                                    "CALL 101 VIDEO_STATUS VIDEO_SEND_ENABLED"}));
    EXPECT_TRUE(client.seen_by().video);
    EXPECT_EQ(client.video_frame().size(), QSize(320, 240));
    scheduler.run_for(61'000);
    EXPECT_EQ(client.handle("GET CALL 101 DURATION"), "CALL 101 DURATION 61");

    EXPECT_TRUE(client.hang_up());
    EXPECT_EQ(over(0),
              (QStringList{"CALL 101 VIDEO_SEND_STATUS STOPPED", "CALL 101 VIDEO_STATUS VIDEO_NONE",
                           "CALL 101 STATUS FINISHED"}));
    EXPECT_FALSE(client.seen_by().video);
    EXPECT_FALSE(client.hang_up()) << "nothing left to hang up";
}

// The keys the program types after opening the dialog, and others a dialog may be given.
TEST_F(ClientTest, TheFileDialogSendsOnlyWhatItsKeysPick) {
    QTemporaryDir folder;
    QFile(folder.filePath("Pic070315142330.JPG")).open(QIODevice::WriteOnly);
    struct Case {
        QStringList keys;
        bool delivered;
        bool stays_open;
    };
    const Case cases[] = {
        {{"{TAB}", "+{TAB}", "Pic070315142330.JPG", "{TAB}{TAB}{TAB}{ENTER}"}, true, false},
        {{"Pic070315142330.JPG~"}, true, false},
        {{"Pic070315142330.JP", "+g", "{ENTER}"}, true, false},
        {{"Pic070315142330.JPGX{BACKSPACE}{ENTER}"}, true, false},
        {{"Pic070315142330.JPG", "{ESC}"}, false, false},
        {{"Pic070315142330.JPG", "{TAB}{TAB}{TAB}{TAB}{TAB}{ENTER}"}, false, false},  // on "Cancel"
        {{"Pic070315142399.JPG", "{ENTER}"}, false, true},
        {{"{ENTER}"}, false, true},
        {{"Pic07{"}, false, true},
    };
    for (const Case& c : cases) {
        VirtualScheduler time;
        SimulatedClient sim(time);
        sim.handle("NAME VideoQuelm");
        ASSERT_EQ(sim.handle("OPEN FILETRANSFER vq.owner IN " + folder.path() + "/"),
                  "OPEN FILETRANSFER vq.owner IN " + folder.path() + "/");
        for (const QString& keys : c.keys) sim.type_keys(keys);
        time.run_for(1'000);
        const QStringList expected =
            c.delivered ? QStringList{folder.filePath("Pic070315142330.JPG")} : QStringList{};
        EXPECT_EQ(sim.seen_by().files, expected) << c.keys.join('|').toStdString();
        EXPECT_EQ(sim.file_dialog() != nullptr, c.stays_open) << c.keys.join('|').toStdString();
    }
    client.type_keys("{ENTER}");  // no dialog: the keys go nowhere
    EXPECT_TRUE(client.seen_by().files.isEmpty());
}

TEST_F(ClientTest, LoggingOutEndsCallsAndStopsTheChat) {
    client.call_machine();
    client.handle("SET CALL 101 STATUS INPROGRESS");
    client.say("status");
    over(0);
    const QString name = chat("102");
    client.log_out();
    EXPECT_EQ(client.login_status(), 2);
    EXPECT_EQ(over(0), (QStringList{"CALL 101 STATUS FINISHED", "CONNSTATUS LOGGEDOUT",
                                    "USERSTATUS LOGGEDOUT"}));
    EXPECT_EQ(client.handle("CHATMESSAGE " + name + " hi"), "ERROR 71 Not online");
    EXPECT_EQ(client.handle("CALL vq.owner"), "ERROR 71 Not online");
    EXPECT_EQ(client.handle("GET USERSTATUS"), "USERSTATUS LOGGEDOUT");
    client.say("anyone?");
    EXPECT_TRUE(over(0).isEmpty());
    client.log_in();
    EXPECT_EQ(client.login_status(), 1);
    EXPECT_EQ(over(0), (QStringList{"CONNSTATUS ONLINE", "USERSTATUS ONLINE"}));
}

}  // namespace
