// The owner's console on the simulated client, and the scripts that play the owner, in virtual
// time.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "client/simulated_client.h"
#include "qt_printers.h"
#include "sim/owner_console.h"
#include "sim/owner_script.h"
#include "time/virtual_scheduler.h"

namespace {

// The owner at the console of a client that a machine has attached to.
struct OwnerSide {
    OwnerSide() {
        client.notify = [this](const QString& line) { to_machine.append(line); };
        client.handle("NAME VideoQuelm");
    }
    // What the owner is shown over the next `ms`.
    QStringList shown_over(qint64 ms) {
        scheduler.run_for(ms);
        QStringList lines = printed;
        printed.clear();
        return lines;
    }
    QStringList enter(const QString& line, qint64 ms = 1'000) {
        console.enter(line);
        return shown_over(ms);
    }
    // The machine writes into its chat with the owner (which the owner's first line opened).
    void machine_says(const QString& text) {
        const QString chat = client.handle("GET CHATMESSAGE 101 CHATNAME").section(' ', 3);
        client.handle("CHATMESSAGE " + chat + " " + text);
    }

    VirtualScheduler scheduler;
    SimulatedClient client{scheduler};
    QStringList printed;
    QStringList to_machine;
    OwnerConsole console{client, [this](const QString& line) { printed.append(line); }};
};

struct ConsoleTest : OwnerSide, ::testing::Test {};

TEST_F(ConsoleTest, WordsActAndEverythingElseIsAChatLine) {
    struct Case {
        QString typed;
        QString body;  // what reaches the machine as a chat message, if anything
    };
    const Case cases[] = {
        {"status", "status"},
        {"motion on", "motion on"},
        {"say call", "call"},
        {"SAY hangup", "hangup"},
        {"Motion On ", "Motion On "},
        {"say", "say"},
        {"", ""},
        {"   ", ""},
        {"?", ""},
    };
    int next_id = 101;
    for (const Case& c : cases) {
        to_machine.clear();
        enter(c.typed);
        if (c.body.isEmpty()) {
            EXPECT_TRUE(to_machine.isEmpty()) << c.typed;
            continue;
        }
        const QString id = QString::number(next_id++);
        EXPECT_EQ(to_machine, QStringList{"CHATMESSAGE " + id + " STATUS RECEIVED"}) << c.typed;
        EXPECT_EQ(client.handle("GET CHATMESSAGE " + id + " BODY"),
                  "CHATMESSAGE " + id + " BODY " + c.body)
            << c.typed;
    }
    EXPECT_EQ(client.current_call(), nullptr) << "\"say call\" only says it";
}

TEST_F(ConsoleTest, TheMachinesLinesAreShownOneByOne) {
    enter("status");
    const std::pair<QString, QStringList> cases[] = {
        {"Motion Sensing Now ON", {"machine: Motion Sensing Now ON"}},
        {"Status of Video Quelm\r\rMotion Sensing Off\rIM Pic Disabled\r",
         {"machine: Status of Video Quelm", "machine:", "machine: Motion Sensing Off",
          "machine: IM Pic Disabled"}},
        {"Select Number to View\r\r", {"machine: Select Number to View", "machine:"}},
        {"", {"machine:"}},
    };
    for (const auto& [said, shown] : cases) {
        machine_says(said);
        EXPECT_EQ(shown_over(1'000), shown) << said;
    }
}

TEST_F(ConsoleTest, APictureTheMachineSendsIsShownWithItsPath) {
    QTemporaryDir folder;
    QFile(folder.filePath("Pic070315142330.JPG")).open(QIODevice::WriteOnly);
    client.handle("OPEN FILETRANSFER vq.owner IN " + folder.path() + "/");
    client.type_keys("Pic070315142330.JPG{ENTER}");
    EXPECT_EQ(shown_over(1'000),
              QStringList{"picture received: " + folder.filePath("Pic070315142330.JPG")});
}

// Calls either side begins, and the ways they end, as the owner is told of them. A step is a
// line the owner types, "machine: " and a command the machine sends, "wait" for a second, or
// "call from " and another contact.
TEST_F(ConsoleTest, CallsAreToldFromTheOwnersSide) {
    struct Case {
        const char* name;
        QStringList steps;
        QStringList shown;
        QString machine_heard;  // the call's states the client told the machine
    };
    const Case cases[] = {
        {"machine calls, owner answers, sees the camera and hangs up",
         {"machine: CALL vq.owner", "wait", "answer", "machine: ALTER CALL 101 START_VIDEO_SEND",
          "hangup"},
         {"the machine is calling you: type answer", "call answered",
          "video: you see the machine's camera", "video: off", "call ended"},
         "ROUTING RINGING INPROGRESS FINISHED"},
        {"machine calls, owner refuses",
         {"machine: CALL vq.owner", "wait", "refuse"},
         {"the machine is calling you: type answer", "call refused"},
         "ROUTING RINGING REFUSED"},
        {"machine calls and gives up",
         {"machine: CALL vq.owner", "wait", "machine: SET CALL 101 STATUS FINISHED"},
         {"the machine is calling you: type answer", "the machine stopped calling"},
         "ROUTING RINGING CANCELLED"},
        {"owner calls, machine answers, machine hangs up",
         {"call", "machine: SET CALL 101 STATUS INPROGRESS",
          "machine: SET CALL 101 STATUS FINISHED"},
         {"ringing the machine...", "the machine answered", "call ended"},
         "RINGING INPROGRESS FINISHED"},
        {"owner calls, machine does not take it",
         {"call", "machine: SET CALL 101 STATUS FINISHED"},
         {"ringing the machine...", "the machine did not take the call"},
         "RINGING REFUSED"},
        {"owner calls twice and gives up",
         {"call", "call", "hangup"},
         {"ringing the machine...", "you are already in a call", "you stopped calling"},
         "RINGING CANCELLED"},
        {"nothing to act on",
         {"answer", "refuse", "hangup"},
         {"the machine is not calling you", "the machine is not calling you",
          "there is no call to end"},
         ""},
        // The machine hears of the other contact's call; the owner hears of neither.
        {"calls to or from another contact",
         {"call from alice.next.door", "machine: CALL echo123"},
         {},
         "RINGING"},
    };
    for (const Case& c : cases) {
        OwnerSide t;
        for (const QString& step : c.steps) {
            if (step.startsWith("machine: "))
                t.client.handle(step.mid(9));
            else if (step.startsWith("call from "))
                t.client.call_machine(step.mid(10));
            else if (step == "wait")
                t.scheduler.run_for(1'000);
            else
                t.console.enter(step);
        }
        EXPECT_EQ(t.shown_over(5'000), c.shown) << c.name;
        QStringList heard;
        for (const QString& line : t.to_machine)
            if (line.startsWith("CALL 101 STATUS ")) heard.append(line.section(' ', 3));
        EXPECT_EQ(heard.join(' '), c.machine_heard) << c.name;
    }
}

TEST_F(ConsoleTest, TheMachinesClientLogsOutAndIn) {
    EXPECT_EQ(enter("logout"), QStringList{"the machine's client is logged out"});
    EXPECT_EQ(client.login_status(), 2);
    EXPECT_EQ(enter("call"), QStringList{"call failed: vq.camera is not online"});
    EXPECT_EQ(enter("hello"), QStringList{"not delivered: vq.camera is not online"});
    EXPECT_EQ(enter("LOGIN"), QStringList{"the machine's client is logged in"});
    EXPECT_EQ(client.login_status(), 1);
}

TEST_F(ConsoleTest, WhoeverWatchedTheClientBeforeKeepsWatching) {
    VirtualScheduler time;
    SimulatedClient sim(time);
    QStringList events;
    sim.on_contact_event = [&](const QString& who, const QString& event) {
        events.append(who + ": " + event);
    };
    {
        QStringList shown;
        OwnerConsole face(sim, [&](const QString& line) { shown.append(line); });
        face.enter("call");
        EXPECT_EQ(shown, QStringList{"ringing the machine..."});
    }
    sim.hang_up();
    EXPECT_EQ(events, (QStringList{"vq.owner: call 101 RINGING", "vq.owner: call 101 CANCELLED"}))
        << "still told while the console is there, and after it has gone";
}

TEST(OwnerScript, ReadsTimesAndLinesAndRejectsWhatIsNot) {
    const auto steps = OwnerScript::parse(
        "# the owner arms the machine\n"
        "12.5 say motion on\n"
        "\n"
        "  40   call  \r\n"
        "3 status\n"
        "40 hangup\n"
        "0 #1 is a chat line too\n");
    ASSERT_TRUE(steps.has_value());
    QStringList seen;
    for (const auto& step : *steps) seen.append(QString::number(step.at_ms) + " " + step.line);
    EXPECT_EQ(seen, (QStringList{"0 #1 is a chat line too", "3000 status", "12500 say motion on",
                                 "40000 call", "40000 hangup"}));

    const std::pair<QString, QString> faults[] = {
        {"call", "line 1: a time in seconds comes first"},
        {"# fine\n-1 call", "line 2: a time in seconds comes first"},
        {"ten call", "line 1: a time in seconds comes first"},
        {"nan call", "line 1: a time in seconds comes first"},
        {"1e300 call", "line 1: a time in seconds comes first"},
        {"5", "line 1: nothing to do after the time"},
        {"5   ", "line 1: nothing to do after the time"},
    };
    for (const auto& [text, reason] : faults) {
        QString error;
        EXPECT_FALSE(OwnerScript::parse(text, &error).has_value()) << text;
        EXPECT_EQ(error, reason) << text;
    }
}

TEST(OwnerScript, StepsRunAtTheirTimesCountedFromTheStart) {
    VirtualScheduler time;
    time.run_for(7'000);
    QStringList done;
    OwnerScript script(
        time, *OwnerScript::parse("1 a\n2.5 b\n2.5 c\n0 d\n"),
        [&](const QString& line) { done.append(QString::number(time.now_ms()) + line); });
    time.run_for(5'000);
    EXPECT_TRUE(done.isEmpty()) << "nothing before the start";
    script.start();
    time.run_for(1'000);
    script.start();
    time.run_for(10'000);
    EXPECT_EQ(done, (QStringList{"12000d", "13000a", "14500b", "14500c"}));
    EXPECT_TRUE(script.finished());
}

}  // namespace
