// The simulated client, the owner's console on it, the lines typed into it and the scripts that
// play the owner, in virtual time. The whole-program test shows the usual conversation through
// them; here, what it does not reach.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QFile>
#include <QTemporaryDir>

#include "client/client_core.h"
#include "platform/terminal_lines.h"
#include "qt_printers.h"
#include "sim/owner_console.h"
#include "sim/owner_script.h"
#include "time/virtual_scheduler.h"
#include "wait_until.h"

namespace {

// Calls either side begins and the ways they end, chat lines and the file dialog, as the owner
// is told of them and as they reach the machine; no video before the answer, no answering twice,
// and a file only for the keys the program types. The steps are lines the owner types,
// "machine: " and a command the machine sends, "keys: " and keys it types into the file dialog
// (in the folder "@"), "wait" for a second, or "call from " or "stranger says " and another
// contact's act; what the owner is shown and what the machine heard are joined by "|".
TEST(OwnerConsole, WhatEachSideDoesIsToldToTheOther) {
    QTemporaryDir folder;
    QFile(folder.filePath("Pic070315142330.JPG")).open(QIODevice::WriteOnly);
    const QString open = "machine: OPEN FILETRANSFER vq.owner IN @/; ";
    struct Case {
        QString steps, shown;
        QString machine_heard;
    };
    const Case cases[] = {
        {"machine: CALL vq.owner; wait; machine: ALTER CALL 101 START_VIDEO_SEND; answer; "
         "machine: ALTER CALL 101 START_VIDEO_SEND; hangup",
         "the machine is calling you: type answer|call answered|"
         "video: you see the machine's camera|video: off|call ended",
         "ROUTING|RINGING|INPROGRESS|FINISHED"},
        {"machine: CALL vq.owner; wait; refuse",
         "the machine is calling you: type answer|call refused", "ROUTING|RINGING|REFUSED"},
        {"machine: CALL vq.owner; wait; machine: SET CALL 101 STATUS FINISHED",
         "the machine is calling you: type answer|the machine stopped calling",
         "ROUTING|RINGING|CANCELLED"},
        {"call; machine: SET CALL 101 STATUS INPROGRESS; machine: SET CALL 101 STATUS INPROGRESS; "
         "machine: SET CALL 101 STATUS FINISHED",
         "ringing the machine...|the machine answered|call ended", "RINGING|INPROGRESS|FINISHED"},
        {"call; machine: SET CALL 101 STATUS FINISHED",
         "ringing the machine...|the machine did not take the call", "RINGING|REFUSED"},
        {"call; call; hangup",
         "ringing the machine...|you are already in a call|you stopped calling",
         "RINGING|CANCELLED"},
        {"call; machine: SET CALL 101 STATUS INPROGRESS; logout",
         "ringing the machine...|the machine answered|call ended|the machine's client is logged "
         "out",
         "RINGING|INPROGRESS|FINISHED"},
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
        {"machine: CALL nobody.known", "", "ROUTING|FAILED"},
        // Words act; "say" makes anything a chat line; blank lines and strangers reach nobody.
        {"status; say call; SAY hangup; Motion On ;    ; stranger says motion off", "",
         "status|call|hangup|Motion On "},
        {open +
             "keys: {TAB}; keys: +{TAB}; keys: Pic070315142330.JPG; keys: {TAB}{TAB}{TAB}{ENTER}",
         "picture received: @/Pic070315142330.JPG", ""},
        {open + "keys: Pic070315142330.JPG; keys: {ESC}", "", ""},
        {open + "keys: Pic070315142330.JPG; keys: {TAB}{TAB}{TAB}{TAB}{TAB}{ENTER}", "", ""},
        {open + "keys: Pic070315142399.JPG; keys: {ENTER}", "", ""},
        {open + "keys: Pic07{", "", ""},
    };
    for (const Case& c : cases) {
        VirtualScheduler scheduler;
        ClientCore client{scheduler};
        QStringList shown, heard;  // heard: the states of call 101, chat messages by their text
        client.notify = [&](const QString& line) {
            if (line.startsWith("CALL 101 STATUS "))
                heard.append(line.section(' ', 3));
            else if (line.startsWith("CHATMESSAGE ") && line.endsWith(" STATUS RECEIVED"))
                heard.append(client.handle("GET CHATMESSAGE " + line.section(' ', 1, 1) + " BODY")
                                 .section(' ', 3));
        };
        client.handle("NAME VideoQuelm");
        OwnerConsole console{client, [&](const QString& line) { shown.append(line); }};
        for (QString step : c.steps.split("; ")) {
            step.replace('@', folder.path());
            if (step.startsWith("machine: "))
                client.handle(step.mid(9));
            else if (step.startsWith("keys: "))
                client.type_keys(step.mid(6));
            else if (step.startsWith("call from "))
                client.call_machine(step.mid(10));
            else if (step.startsWith("stranger says "))
                client.say(step.mid(14), "stranger");
            else if (step == "wait")
                scheduler.run_for(1'000);
            else
                console.enter(step);
        }
        scheduler.run_for(5'000);
        EXPECT_EQ(shown.join('|'), QString(c.shown).replace('@', folder.path())) << c.steps;
        EXPECT_EQ(heard.join('|'), c.machine_heard) << c.steps;
    }
}

TEST(OwnerScript, ReadsTimesAndLinesAndRejectsWhatIsNot) {
    const auto steps = OwnerScript::parse(
        "# the owner arms the machine\n12.5 say motion on\n\n  40   call  \r\n3 status\n"
        "40 hangup\n0 #1 is a chat line too\n");
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

// Lines typed on the terminal, read as they come.
TEST(TerminalLines, SplitsWhatArrivesIntoLinesAndTellsTheEndOnce) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    TerminalLines input(ends[0]);
    QStringList lines;
    int ended = 0;
    input.on_line = [&](const QString& line) { lines.append(line); };
    input.on_end = [&] { ++ended; };

    const QByteArray first = "motion on\r\nsta";
    ASSERT_EQ(write(ends[1], first.data(), first.size()), first.size());
    ASSERT_TRUE(wait_until([&] { return !lines.isEmpty(); }));
    const QByteArray rest = "tus\n\nh\xc3\xa9llo";
    ASSERT_EQ(write(ends[1], rest.data(), rest.size()), rest.size());
    close(ends[1]);
    ASSERT_TRUE(wait_until([&] { return ended > 0; }));
    EXPECT_EQ(lines, (QStringList{"motion on", "status", "", QString::fromUtf8("h\xc3\xa9llo")}));
    EXPECT_EQ(ended, 1);
    close(ends[0]);
}

}  // namespace
