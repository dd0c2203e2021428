// The simulated client, the owner's console on it and the scripts that play the owner, in
// virtual time. The whole-program test shows the usual conversation through all three; here,
// what it does not reach.
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
    // What the machine is told over the next `ms`.
    QStringList told_over(qint64 ms) {
        to_machine.clear();
        scheduler.run_for(ms);
        return to_machine;
    }
    // What the owner is shown over the next `ms`.
    QStringList shown_over(qint64 ms) {
        scheduler.run_for(ms);
        return std::exchange(printed, {});
    }

    VirtualScheduler scheduler;
    SimulatedClient client{scheduler};
    QStringList printed;
    QStringList to_machine;
    OwnerConsole console{client, [this](const QString& line) { printed.append(line); }};
};

struct ConsoleTest : OwnerSide, ::testing::Test {};

// The keys the program types after opening the dialog, and others a dialog may be given.
TEST(SimulatedClient, TheFileDialogSendsOnlyWhatItsKeysPick) {
    QTemporaryDir folder;
    QFile(folder.filePath("Pic070315142330.JPG")).open(QIODevice::WriteOnly);
    struct Case {
        QStringList keys;
        bool delivered;
        bool stays_open;
    };
    const Case cases[] = {
        {{"{TAB}", "+{TAB}", "Pic070315142330.JPG", "{TAB}{TAB}{TAB}{ENTER}"}, true, false},
        {{"Pic070315142330.JPG", "{ESC}"}, false, false},
        {{"Pic070315142330.JPG", "{TAB}{TAB}{TAB}{TAB}{TAB}{ENTER}"}, false, false},  // on "Cancel"
        {{"Pic070315142399.JPG", "{ENTER}"}, false, true},
        {{"Pic07{"}, false, true},
    };
    for (const Case& c : cases) {
        OwnerSide t;
        t.client.handle("OPEN FILETRANSFER vq.owner IN " + folder.path() + "/");
        for (const QString& keys : c.keys) t.client.type_keys(keys);
        const QStringList shown = t.shown_over(1'000);
        const QStringList expected =
            c.delivered ? QStringList{"picture received: " + folder.filePath("Pic070315142330.JPG")}
                        : QStringList{};
        EXPECT_EQ(shown, expected) << c.keys.join('|').toStdString();
        EXPECT_EQ(t.client.file_dialog() != nullptr, c.stays_open)
            << c.keys.join('|').toStdString();
    }
}

TEST_F(ConsoleTest, WordsActAndEverythingElseIsAChatLine) {
    // What the owner types, and what reaches the machine as a chat message, if anything.
    const std::pair<QString, QString> cases[] = {
        {"status", "status"},         {"say call", "call"}, {"SAY hangup", "hangup"},
        {"Motion On ", "Motion On "}, {"   ", ""},          {"?", ""},
    };
    int next_id = 101;
    for (const auto& [typed, body] : cases) {
        console.enter(typed);
        const QStringList told = told_over(1'000);
        if (body.isEmpty()) {
            EXPECT_TRUE(told.isEmpty()) << typed;
            continue;
        }
        const QString id = QString::number(next_id++);
        EXPECT_EQ(told, QStringList{"CHATMESSAGE " + id + " STATUS RECEIVED"}) << typed;
        EXPECT_EQ(client.handle("GET CHATMESSAGE " + id + " BODY"),
                  "CHATMESSAGE " + id + " BODY " + body)
            << typed;
    }
    EXPECT_EQ(client.current_call(), nullptr) << "\"say call\" only says it";
    client.say("motion off", "stranger");
    EXPECT_TRUE(told_over(1'000).isEmpty()) << "only contacts reach the machine";
}

// Calls either side begins, and the ways they end, as the owner is told of them; no video before
// the answer, and no answering twice. The steps are
// lines the owner types, "machine: " and a command the machine sends, "wait" for a second, or
// "call from " and another contact; the owner's view is shown lines joined by "|".
TEST(OwnerConsole, CallsAreToldFromTheOwnersSide) {
    struct Case {
        QString steps, shown;
        QString machine_heard;  // the call's states the client told the machine
    };
    const Case cases[] = {
        {"machine: CALL vq.owner; wait; machine: ALTER CALL 101 START_VIDEO_SEND; answer; "
         "machine: ALTER CALL 101 START_VIDEO_SEND; hangup",
         "the machine is calling you: type answer|call answered|"
         "video: you see the machine's camera|video: off|call ended",
         "ROUTING RINGING INPROGRESS FINISHED"},
        {"machine: CALL vq.owner; wait; refuse",
         "the machine is calling you: type answer|call refused", "ROUTING RINGING REFUSED"},
        {"machine: CALL vq.owner; wait; machine: SET CALL 101 STATUS FINISHED",
         "the machine is calling you: type answer|the machine stopped calling",
         "ROUTING RINGING CANCELLED"},
        {"call; machine: SET CALL 101 STATUS INPROGRESS; machine: SET CALL 101 STATUS INPROGRESS; "
         "machine: SET CALL 101 STATUS FINISHED",
         "ringing the machine...|the machine answered|call ended", "RINGING INPROGRESS FINISHED"},
        {"call; machine: SET CALL 101 STATUS FINISHED",
         "ringing the machine...|the machine did not take the call", "RINGING REFUSED"},
        {"call; call; hangup",
         "ringing the machine...|you are already in a call|you stopped calling",
         "RINGING CANCELLED"},
        {"call; machine: SET CALL 101 STATUS INPROGRESS; logout",
         "ringing the machine...|the machine answered|call ended|the machine's client is logged "
         "out",
         "RINGING INPROGRESS FINISHED"},
        // Logged out, the client takes nothing from either side.
        {"logout; call; hello; machine: CALL vq.owner; login",
         "the machine's client is logged out|call failed: vq.camera is not online|"
         "not delivered: vq.camera is not online|the machine's client is logged in",
         ""},
        {"answer; refuse; hangup",
         "the machine is not calling you|the machine is not calling you|there is no call to end",
         ""},
        // The machine hears of the other contact's call; the owner hears of neither.
        {"call from alice.next.door; machine: CALL echo123", "", "RINGING"},
        {"machine: CALL nobody.known", "", "ROUTING FAILED"},
    };
    for (const Case& c : cases) {
        OwnerSide t;
        for (const QString& step : c.steps.split("; ")) {
            if (step.startsWith("machine: "))
                t.client.handle(step.mid(9));
            else if (step.startsWith("call from "))
                t.client.call_machine(step.mid(10));
            else if (step == "wait")
                t.scheduler.run_for(1'000);
            else
                t.console.enter(step);
        }
        EXPECT_EQ(t.shown_over(5'000).join('|'), c.shown) << c.steps;
        QStringList heard;
        for (const QString& line : t.to_machine)
            if (line.startsWith("CALL 101 STATUS ")) heard.append(line.section(' ', 3));
        EXPECT_EQ(heard.join(' '), c.machine_heard) << c.steps;
    }
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
        {"# fine\n-1 call", "line 2: a time in seconds comes first"},
        {"nan call", "line 1: a time in seconds comes first"},
        {"1e300 call", "line 1: a time in seconds comes first"},
        {"5   ", "line 1: nothing to do after the time"},
    };
    for (const auto& [text, reason] : faults) {
        QString error;
        EXPECT_FALSE(OwnerScript::parse(text, &error).has_value()) << text;
        EXPECT_EQ(error, reason) << text;
    }
}

}  // namespace
