#include <gtest/gtest.h>

#include "test_program.h"
#include "windows/problem.h"
#include "windows/user_find.h"

namespace {

struct WatchTest : ::testing::Test {
    void SetUp() override { f.show(); }
    TestProgram t;
    frmTesting& f = t.form;
};

TEST_F(WatchTest, TheVersionIsAskedOnceAndOldClientsAreWarned) {
    t.scheduler.run_for(3'000);
    EXPECT_EQ(t.skype.commands, QStringList{"GET SKYPEVERSION"});
    t.scheduler.run_for(30'000);
    EXPECT_EQ(t.skype.commands.count("GET SKYPEVERSION"), 1);
    struct Case {
        const char* line;
        bool warns;
    };
    for (const Case& c : {Case{"SKYPEVERSION 1.4.0.84", true}, Case{"SKYPEVERSION 2.0.0.81", false},
                          Case{"SKYPEVERSION 10.1", false}, Case{"SKYPEVERSION 1", false},
                          Case{"SKYPEVERSION x.5", true}}) {
        t.messages.boxes.clear();
        t.skype.on_notification(c.line);
        EXPECT_EQ(t.messages.boxes.size(), c.warns ? 1u : 0u) << c.line;
        if (c.warns) {
            EXPECT_EQ(t.messages.boxes[0].first, "Incorrect Skype Version Error");
        }
    }
}

TEST_F(WatchTest, TheFriendListFillsThePickerAndAClickSetsTheTarget) {
    struct Case {
        const char* reply;
        QStringList names;
    };
    const Case cases[] = {
        {"USERS echo123, bob, alice", {"echo123", "bob", "alice"}},
        {"USERS bob", {"bob"}},
        {"USERS a,bc,d", {"a", "c", ""}},  // without the blank the next name loses a character
    };
    for (const Case& c : cases) {
        f.Command1.click();
        EXPECT_EQ(t.skype.commands.last(), "Search friends ");
        EXPECT_TRUE(t.program.user_find().visible);
        t.skype.on_notification(c.reply);
        EXPECT_EQ(t.program.user_find().List1, c.names) << c.reply;
    }
    f.Command1.click();
    t.skype.on_notification("USERS ");
    ASSERT_EQ(t.messages.boxes.size(), 1u);
    EXPECT_EQ(t.messages.boxes[0].first, "No Users in Friends List");
    EXPECT_TRUE(t.program.user_find().List1.isEmpty());
    t.skype.on_notification("USERS echo123, bob");
    t.program.user_find().List1_Click(1);
    EXPECT_EQ(f.Text1.text, "bob");
    EXPECT_FALSE(t.program.user_find().visible);
}

// Lines nobody asked for replace the list rather than grow it, and a huge one is cut short.
TEST_F(WatchTest, UnaskedFriendListsReplaceTheListAndAreBounded) {
    for (int i = 0; i < 100; ++i) t.skype.on_notification("USERS echo123, bob");
    EXPECT_EQ(t.program.user_find().List1, (QStringList{"echo123", "bob"}));
    QStringList many;
    for (int i = 0; i < 5000; ++i) many.append(QString("user%1").arg(i));
    t.skype.on_notification("USERS " + many.join(", "));
    EXPECT_EQ(t.program.user_find().List1.size(), 1000);
    EXPECT_EQ(t.program.user_find().List1.first(), "user0");
}

TEST_F(WatchTest, LoggedOutIsReportedEveryTenSecondsEvenAfterOk) {
    t.skype.login_status = 2;
    Problem& problem = t.program.problem();
    t.scheduler.run_for(10'000);
    EXPECT_TRUE(problem.visible);
    EXPECT_EQ(problem.caption, "Logged out of Skype!");
    problem.Command1.click();
    EXPECT_FALSE(problem.visible);
    t.scheduler.run_for(10'000);
    EXPECT_TRUE(problem.visible);
    t.skype.on_notification("CONNSTATUS LOGGEDOUT");
    EXPECT_EQ(problem.caption, "Disconnected from Skype!");
    EXPECT_EQ(
        problem.Label1.caption,
        "You are disconnected from Skype- you can not use remote features.  Start Skype up to fix");
    problem.Command1.click();
    t.skype.on_notification("CONNSTATUS LOGGEDOUT ");
    EXPECT_FALSE(problem.visible) << "a trailing blank is another line";
}

}  // namespace
