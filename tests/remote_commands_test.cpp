#include <gtest/gtest.h>

#include <QRegularExpression>
#include <algorithm>
#include <tuple>

#include "machine_fixture.h"

namespace {

const QString chat = "#bob/$cam;ea753190f0a3e49b";

// A chat message as the client holds it.
struct Message {
    QString id, chat, from, body;
};

struct RemoteTest : MachineTest {
    void SetUp() override {
        f.Text1.text = "bob";
        t.skype.commands.clear();
    }
    // The messages are announced one right after the other; then the client answers each round
    // of questions ("<tag> GET CHATMESSAGE <id> <property>"), in the order asked or the reverse,
    // until the program asks nothing more.
    void deliver(const std::vector<Message>& messages, bool reverse = false) {
        static const QRegularExpression question("^(#\\d+) GET CHATMESSAGE (\\S+) (\\S+)$");
        for (const Message& message : messages)
            t.skype.on_notification("CHATMESSAGE " + message.id + " STATUS RECEIVED");
        for (qsizetype asked = 0; asked < t.skype.commands.size();) {
            QStringList round = t.skype.commands.mid(asked);
            asked = t.skype.commands.size();
            if (reverse) std::reverse(round.begin(), round.end());
            for (const QString& command : round) {
                const QRegularExpressionMatch q = question.match(command);
                const QString property = q.captured(3);
                for (const Message& m : messages)
                    if (q.hasMatch() && m.id == q.captured(2))
                        t.skype.on_notification(q.captured(1) + " CHATMESSAGE " + m.id + " " +
                                                property + " " +
                                                (property == "CHATNAME"      ? m.chat
                                                 : property == "FROM_HANDLE" ? m.from
                                                                             : m.body));
            }
        }
    }
    // A message from the owner (or another author) through to its answer.
    QStringList say(const QString& body) {
        t.skype.commands.clear();
        deliver({{"293", chat, "bob", body}});
        return t.skype.commands;
    }
};

// A message is fetched by its chat, author and body; one that is no command gets no reply (the
// body is what follows the first "BODY" after the id). Odd lines change nothing either, and the
// link still works after them.
TEST_F(RemoteTest, OnlyACommandIsAnsweredAndOddLinesAreHandledQuietly) {
    const QStringList questions = {"#605 GET CHATMESSAGE 293 CHATNAME",
                                   "#606 GET CHATMESSAGE 293 FROM_HANDLE",
                                   "#610 GET CHATMESSAGE 293 BODY"};
    for (const char* body :
         {" motion on", "motion on ", "motion on.", "", "hello", "10", "mark BODY status"})
        EXPECT_EQ(say(body), questions) << body;
    const QString lines[] = {"",
                             "CHATMESSAGE",
                             "CHATMESSAGE RECEIVED",
                             "#605 no hash here",
                             "#610 BODY",
                             "#610 CHATMESSAGE 5 BODY motion on",
                             QString(1 << 20, 'x'),
                             QString::fromLatin1("#610 \0BODY x", 12),
                             "CHATMESSAGE 99999999999999999999 STATUS RECEIVED"};
    for (const QString& line : lines) t.skype.on_notification(line);
    EXPECT_TRUE(f.cmdCapture.enabled);
    say("motion on");
    EXPECT_FALSE(f.cmdCapture.enabled);
}

// Messages that arrive together are each answered once, in their own chat, whatever the order
// of the client's replies. Only the call target, exactly as the client names the author, gives
// commands, in whatever chat it writes; a stranger is neither obeyed nor answered.
TEST_F(RemoteTest, EachMessageIsAnsweredInItsOwnChatAndOnlyTheOwnerIsObeyed) {
    const QString group = "#alice/$c0ffee01", strangers = "#eve/$cam;2";
    const QString to_owner = "CHATMESSAGE " + chat + " ", to_group = "CHATMESSAGE " + group + " ";
    auto owner = [&](const char* id, const char* body) { return Message{id, chat, "bob", body}; };
    struct Case {
        const char* name;
        std::vector<Message> messages;
        bool reverse;
        QStringList replies;
    };
    const Case cases[] = {
        {"a slow client: five commands before any reply",
         {owner("1", "call off"), owner("2", "im on"), owner("3", "answer off"),
          owner("4", "motion high"), owner("5", "alarm on")},
         false,
         {to_owner + "Call now off", to_owner + "IM pic now on", to_owner + "Answer calls now off",
          to_owner + "motion now high", to_owner + "Alarm now on"}},
        {"replies in reverse order",
         {owner("1", "alarm on"),
          {"2", strangers, "eve", "call off"},
          {"3", group, "bob", "im on"}},
         true,
         {to_group + "IM pic now on", to_owner + "Alarm now on"}},
        {"a stranger in the owner's group chat",
         {{"1", "#bob/$c0ffee01", "eve", "alarm on"}},
         false,
         {}},
        {"near names",
         {{"1", chat, "bobby", "alarm on"}, {"2", chat, "Bob", "alarm on"}},
         false,
         {}},
    };
    for (const Case& c : cases) {
        f.Check4.value = 0;
        t.skype.commands.clear();
        deliver(c.messages, c.reverse);
        EXPECT_EQ(t.skype.commands.filter(QRegularExpression("^CHATMESSAGE ")), c.replies)
            << c.name;
        EXPECT_EQ(f.Check4.value, c.replies.join('|').contains("Alarm now on") ? 1 : 0) << c.name;
    }
    f.Text1.text.clear();
    say("alarm on");
    EXPECT_EQ(f.Check4.value, 0) << "nobody gives commands without a call target";
}

// Each command replies and changes its setting, which the status reply then shows.
TEST_F(RemoteTest, EveryCommandRepliesAndTheStatusShowsItsEffect) {
    f.Check1.value = 0;
    EXPECT_EQ(say("status").last(),
              "CHATMESSAGE " + chat +
                  " Status of Video Quelm\r\rMotion Sensing Off\rMotion Sensing Medium\r"
                  "Calling Out Disabled\rIM Pic Disabled\rAccept Calls w/Video Enabled\rAudio "
                  "Alarm Disabled\r");
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"call on", "Call now on", "Calling Out Enabled"},
        {"call off", "Call now off", "Calling Out Disabled"},
        {"im on", "IM pic now on", "IM Pic Enabled"},
        {"im off", "IM pic now off", "IM Pic Disabled"},
        {"alarm on", "Alarm now on", "Audio Alarm Enabled"},
        {"alarm off", "Alarm now off", "Audio Alarm Disabled"},
        {"answer off", "Answer calls now off", "Accept Calls w/Video Disabled"},
        {"answer on", "Answer Calls now on", "Accept Calls w/Video Enabled"},
        {"motion low", "motion now low", "Motion Sensing Low"},
        {"motion high", "motion now high", "Motion Sensing High"},
        {"motion medium", "motion now medium", "Motion Sensing Medium"},
        {"MOTION ON", "Motion Sensing Now ON", "Motion Sensing On"},
        {"motion off", "Motion Sensing Now OFF", "Motion Sensing Off"},
    };
    for (const auto& [body, reply, status] : cases) {
        EXPECT_EQ(say(body).last(), "CHATMESSAGE " + chat + " " + reply) << body;
        EXPECT_TRUE(say("status").last().contains(QString("\r") + status + "\r")) << body;
    }
    const QString help = say("Help").last();
    EXPECT_TRUE(help.startsWith("CHATMESSAGE " + chat + " Video Quelm Remote Access Commands\r"));
    EXPECT_EQ(help.count('\r'), 16);
}

// The list numbers the last ten lines of the log from the newest, 0; a digit sends that picture.
TEST_F(RemoteTest, ListShowsTheLastTenLinesAndDigitsSendThem) {
    QByteArray log;
    for (int i = 1; i <= 12; ++i)
        log += QString("Pic0703151423%1.JPG  3/15/2007  2:23:%1 PM\r\n")
                   .arg(i, 2, 10, QChar('0'))
                   .toLatin1();
    t.write_file("motion_log.txt", log);
    const QString listing = say("list").last();
    EXPECT_TRUE(listing.startsWith("CHATMESSAGE " + chat +
                                   " Select Number to View\r\r"
                                   "#9  Pic070315142303.JPG  3/15/2007  2:23:03 PM\r"
                                   "#8  Pic070315142304.JPG  3/15/2007  2:23:04 PM\r"));
    EXPECT_TRUE(listing.endsWith("#0  Pic070315142312.JPG  3/15/2007  2:23:12 PM\r"));
    say("0");  // sent as an alarm picture is
    EXPECT_TRUE(t.skype.keystrokes.contains("Pic070315142312.JPG"));
}

}  // namespace
