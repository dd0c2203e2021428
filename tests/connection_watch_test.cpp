// The watch over the client: its version, the friend list for the picker, and being logged out.
// (The windows these fill, and a click in the picker, are the desktop tests'.)
#include <gtest/gtest.h>

#include <tuple>

#include "app/program.h"
#include "machine_fixture.h"
#include "windows/problem.h"
#include "windows/quelm_splash.h"
#include "windows/user_find.h"

namespace {

using WatchTest = MachineTest;

TEST_F(WatchTest, TheVersionIsAskedOnceAndOldClientsAreWarned) {
    t.scheduler.run_for(33'000);
    EXPECT_EQ(t.skype.commands.count("GET SKYPEVERSION"), 1);
    const std::pair<const char*, bool> cases[] = {
        {"SKYPEVERSION 1.4.0.84", true}, {"SKYPEVERSION 2.0.0.81", false},
        {"SKYPEVERSION 10.1", false},    {"SKYPEVERSION 1", false},
        {"SKYPEVERSION x.5", true},
    };
    for (const auto& [line, warns] : cases) {
        t.messages.boxes.clear();
        t.skype.on_notification(line);
        const QString title = t.messages.boxes.empty() ? "" : t.messages.boxes[0].first;
        EXPECT_EQ(title, warns ? "Incorrect Skype Version Error" : "") << line;
    }
}

// Lines nobody asked for replace the list rather than grow it, and a huge one is cut short.
TEST_F(WatchTest, TheFriendListFillsThePickerAndIsBounded) {
    const std::pair<const char*, QStringList> cases[] = {
        {"USERS ", {}},
        {"USERS echo123, bob, alice", {"echo123", "bob", "alice"}},
        {"USERS a,bc,d", {"a", "c", ""}},  // without the blank the next name loses a character
    };
    for (const auto& [reply, names] : cases) {
        t.form.Command1.click();
        EXPECT_EQ(t.skype.commands.last(), "Search friends ");
        t.skype.on_notification(reply);
        EXPECT_EQ(t.program.user_find().List1, names) << reply;
    }
    ASSERT_EQ(t.messages.boxes.size(), 1u);
    EXPECT_EQ(t.messages.boxes[0].first, "No Users in Friends List");
    QStringList many;  // unasked
    for (int i = 0; i < 5000; ++i) many.append(QString("user%1").arg(i));
    t.skype.on_notification("USERS " + many.join(", "));
    EXPECT_EQ(t.program.user_find().List1.size(), 1000);
    EXPECT_EQ(t.program.user_find().List1.first(), "user0");
}

// A link that never came up (no client on the bus, no account) is said once, in the window, and
// no box comes back every ten seconds. Once the link has been up, losing it is reported every ten
// seconds, also after OK. (That OK closes the window, the desktop tests show.)
TEST_F(WatchTest, NoLinkIsSaidOnceAndALostLinkEveryTenSeconds) {
    t.skype.login_status = 2;
    Problem& problem = t.program.problem();
    t.scheduler.run_for(60'000);
    EXPECT_FALSE(problem.visible);
    EXPECT_EQ(f.lblNotice.caption, "No messenger set up: File > Messenger Account...");
    t.skype.login_status = 1;
    t.scheduler.run_for(10'000);
    EXPECT_EQ(f.lblNotice.caption, "");
    t.skype.login_status = 2;
    t.scheduler.run_for(10'000);
    EXPECT_EQ(problem.caption, "Logged out of Skype!");
    problem.Command1.click();
    t.scheduler.run_for(10'000);
    EXPECT_TRUE(problem.visible);
    problem.Command1.click();
    t.skype.on_notification("CONNSTATUS LOGGEDOUT ");
    EXPECT_FALSE(problem.visible) << "a trailing blank is another line";
}

// The messenger account takes commands while it reconnects, so the link is not logged out, yet it
// is not up: the window says why and when it tries again, without a box for a server that is
// away; a refused account that logs out after being up gets its box as before.
TEST_F(WatchTest, AnOfflineMessengerIsSaidInTheWindowWithoutABox) {
    Program::MessengerState state;
    t.program.messenger_link = true;
    t.program.messenger_state = [&] { return state; };
    const QString refused = "Messenger logged out: refused";
    const std::tuple<Program::MessengerState, int, QString, bool> cases[] = {
        {{false, "", -1}, 1, "Connecting to the messenger...", false},
        {{false, "gone", 70'000}, 1, "Messenger offline, trying again in 50 s: gone", false},
        {{false, "refused.", -1}, 2, refused, false},
        {{true, "", -1}, 1, "", false},
        {{false, "gone", 50'000}, 1, "Messenger offline, trying again now: gone", false},
        {{false, "refused", -1}, 2, refused, true},
    };
    for (const auto& [messenger, login_status, notice, box] : cases) {
        state = messenger;
        t.skype.login_status = login_status;
        if (login_status == 2) t.skype.on_notification("CONNSTATUS LOGGEDOUT");
        t.scheduler.run_for(10'000);
        EXPECT_EQ(f.lblNotice.caption, notice);
        EXPECT_EQ(t.program.problem().visible, box) << notice.toStdString();
    }
}

// With the program's own messenger account, what the user reads names the messenger; the chat
// replies do not change.
TEST(Wording, TheMessengerIsNamedWhenTheLinkIsTheProgramsOwnAccount) {
    for (const bool messenger : {false, true}) {
        TestProgram t;
        t.program.messenger_link = messenger;
        t.program.splash().show();
        t.form.show();
        t.skype.login_status = 1;
        t.scheduler.run_for(10'000);
        t.skype.login_status = 2;
        t.scheduler.run_for(10'000);
        const QStringList seen{t.form.Label2.caption, t.program.problem().caption,
                               t.program.splash().Label3.caption};
        const QStringList expected =
            messenger
                ? QStringList{"Call Target (messenger address)", "Logged out of the messenger!",
                              "For use with an XMPP messenger"}
                : QStringList{"Call Target (Skype Username)", "Logged out of Skype!",
                              "For Use with Skype internet telephone service"};
        EXPECT_EQ(seen, expected);
    }
}

}  // namespace
