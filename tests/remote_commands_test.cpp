#include <gtest/gtest.h>

#include "test_program.h"

namespace {

const QString chat = "#bob/$cam;ea753190f0a3e49b";

struct RemoteTest : ::testing::Test {
    void SetUp() override {
        f.show();
        f.Text1.text = "bob";
        t.skype.commands.clear();
    }
    // A message from a chat as the client reports it, through to its body.
    QStringList say(const QString& body, const QString& from_chat = chat, const QString& id = "293") {
        t.skype.commands.clear();
        t.skype.on_notification("CHATMESSAGE " + id + " STATUS RECEIVED");
        t.skype.on_notification("#605 CHATMESSAGE " + id + " CHATNAME " + from_chat);
        if (t.skype.commands.contains("#610 GET CHATMESSAGE " + id + " BODY"))
            t.skype.on_notification("#610 CHATMESSAGE " + id + " BODY " + body);
        return t.skype.commands;
    }
    TestProgram t;
    frmTesting& f = t.form;
};

TEST_F(RemoteTest, AMessageIsFetchedThenAnsweredInItsChat) {
    EXPECT_EQ(say("status", chat, "293").mid(0, 2),
              (QStringList{"#605 GET CHATMESSAGE 293 CHATNAME", "#610 GET CHATMESSAGE 293 BODY"}));
    EXPECT_TRUE(t.skype.commands.last().startsWith("CHATMESSAGE " + chat + " Status of Video Quelm"));
}

TEST_F(RemoteTest, OnlyTheOwnersChatControlsTheMachine) {
    struct Case {
        QString target, chat;
        bool passes;
    };
    const Case cases[] = {
        {"bob", "#bob/$cam;1", true},   {"bob", "#cam/$bob;1", true},
        {"bob", "#bobby/$cam;1", false}, {"bob", "#cam/$jimbob;1", false},
        {"Bob", "#bob/$cam;1", false},   {"", "#bob/$cam;1", false},
        {"bob", "#alice/$carol;1", false},
    };
    for (const Case& c : cases) {
        f.Text1.text = c.target;
        f.Check4.value = 0;
        say("alarm on", c.chat);
        EXPECT_EQ(f.Check4.value, c.passes ? 1 : 0) << c.target.toStdString() << " in " << c.chat.toStdString();
    }
}

TEST_F(RemoteTest, EveryOnOffCommandChangesItsControlAndReplies) {
    struct Case {
        const char* body;
        std::function<int()> value;
        int expected;
        const char* reply;
    };
    const Case cases[] = {
        {"call off", [&] { return f.Check1.value; }, 0, "Call now off"},
        {"call on", [&] { return f.Check1.value; }, 1, "Call now on"},
        {"im on", [&] { return f.Check2.value; }, 1, "IM pic now on"},
        {"im off", [&] { return f.Check2.value; }, 0, "IM pic now off"},
        {"alarm on", [&] { return f.Check4.value; }, 1, "Alarm now on"},
        {"alarm off", [&] { return f.Check4.value; }, 0, "Alarm now off"},
        {"answer off", [&] { return f.Check3.value; }, 0, "Answer calls now off"},
        {"answer on", [&] { return f.Check3.value; }, 1, "Answer Calls now on"},
        {"motion low", [&] { return int(f.Option2.value); }, 1, "motion now low"},
        {"motion high", [&] { return int(f.Option3.value); }, 1, "motion now high"},
        {"motion medium", [&] { return int(f.Option4.value); }, 1, "motion now medium"},
        {"MOTION ON", [&] { return int(f.cmdStop.enabled); }, 1, "Motion Sensing Now ON"},
        {"motion off", [&] { return int(f.cmdStop.enabled); }, 0, "Motion Sensing Now OFF"},
    };
    for (const Case& c : cases) {
        const QStringList sent = say(c.body);
        EXPECT_EQ(c.value(), c.expected) << c.body;
        EXPECT_EQ(sent.last(), "CHATMESSAGE " + chat + " " + c.reply) << c.body;
    }
}

TEST_F(RemoteTest, NearMissesGetNoReply) {
    for (const char* body : {" motion on", "motion on ", "motion on.", "", "hello", "10"}) {
        EXPECT_EQ(say(body).size(), 2) << body;
        EXPECT_TRUE(f.cmdCapture.enabled) << body;
    }
}

TEST_F(RemoteTest, StatusAndHelpTexts) {
    f.Check1.value = 0;
    say("status");
    EXPECT_EQ(t.skype.commands.last(),
              "CHATMESSAGE " + chat + " Status of Video Quelm\r\rMotion Sensing Off\rMotion Sensing Medium\r"
              "Calling Out Disabled\rIM Pic Disabled\rAccept Calls w/Video Enabled\rAudio Alarm Disabled\r");
    say("Help");
    const QString help = t.skype.commands.last();
    EXPECT_TRUE(help.startsWith("CHATMESSAGE " + chat + " Video Quelm Remote Access Commands\r\rMotion On- Turn Motion Sensing On\r"));
    EXPECT_TRUE(help.endsWith("Answer Off- Turn the Call Answer Off\rList- List the last ten motion trigger events\r"));
    EXPECT_EQ(help.count('\r'), 16);
}

TEST_F(RemoteTest, TheBodyIsWhatFollowsTheFirstBodyAfterTheId) {
    t.skype.on_notification("CHATMESSAGE 7 STATUS RECEIVED");
    t.skype.on_notification("#605 CHATMESSAGE 7 CHATNAME " + chat);
    t.skype.on_notification("#610 CHATMESSAGE 7 BODY mark BODY status");
    EXPECT_EQ(t.skype.commands.size(), 2) << "'mark BODY status' is no command";
}

TEST_F(RemoteTest, ListShowsTheLastTenLinesAndDigitsSendThem) {
    auto log_lines = [&](int count) {
        QByteArray log;
        for (int i = 1; i <= count; ++i)
            log += QString("Pic0703151423%1.JPG  3/15/2007  2:23:%1 PM\r\n").arg(i, 2, 10, QChar('0')).toLatin1();
        t.write_file("motion_log.txt", log);
    };
    say("list");
    EXPECT_EQ(t.skype.commands.last(), "CHATMESSAGE " + chat + " Select Number to View\r\r");
    log_lines(3);
    say("list");
    EXPECT_EQ(t.skype.commands.last(),
              "CHATMESSAGE " + chat + " Select Number to View\r\r"
              "#2  Pic070315142301.JPG  3/15/2007  2:23:01 PM\r"
              "#1  Pic070315142302.JPG  3/15/2007  2:23:02 PM\r"
              "#0  Pic070315142303.JPG  3/15/2007  2:23:03 PM\r");
    log_lines(12);
    say("list");
    const QString listing = t.skype.commands.last();
    EXPECT_EQ(listing.count('#'), 10 + 1);  // ten entries and the chat name
    EXPECT_TRUE(listing.contains("#9  Pic070315142303.JPG"));
    EXPECT_TRUE(listing.endsWith("#0  Pic070315142312.JPG  3/15/2007  2:23:12 PM\r"));
    say("0");
    EXPECT_EQ(t.skype.keystrokes.mid(0, 3), (QStringList{"{TAB}", "+{TAB}", "Pic070315142312.JPG"}));
    EXPECT_TRUE(t.skype.commands.last().startsWith("OPEN FILETRANSFER bob IN "));
}

TEST_F(RemoteTest, OddLinesAreHandledQuietly) {
    const QString lines[] = {"", "CHATMESSAGE", "CHATMESSAGE RECEIVED", "#605", "#605 no hash here",
                             "#610", "#610 BODY", QString(1 << 20, 'x'), QString::fromLatin1("#610 \0BODY x", 12),
                             "CHATMESSAGE 99999999999999999999 STATUS RECEIVED"};
    for (const QString& line : lines) t.skype.on_notification(line);
    EXPECT_TRUE(f.cmdCapture.enabled);
    say("motion on");
    EXPECT_FALSE(f.cmdCapture.enabled) << "the link still works after them";
}

}  // namespace
