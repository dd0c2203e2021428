#include <gtest/gtest.h>

#include "machine_fixture.h"

namespace {

using SetupDialog = MachineTest;

TEST_F(SetupDialog, ValueButtonsStepWithinTheirLimits) {
    struct Case {
        const char* name;
        TextBox Video_Quelm_Setup::*box;
        CommandButton Video_Quelm_Setup::*button;
        const char* before;
        const char* after;
    };
    using S = Video_Quelm_Setup;
    const Case cases[] = {
        {"alarm seconds - at 10", &S::Text1, &S::Command10, "10", "10"},
        {"alarm seconds + to the limit", &S::Text1, &S::Command9, "290", "300"},
        {"alarm seconds off the grid passes by one step", &S::Text1, &S::Command9, "295", "305"},
        {"alarm seconds -", &S::Text1, &S::Command10, "30", "20"},
        {"ring - at 1", &S::Text2, &S::Command4, "1", "1"},
        {"ring + to 999", &S::Text2, &S::Command2, "998", "999"},
        {"ring + at 999", &S::Text2, &S::Command2, "999", "999"},
        {"settle - to 10", &S::Text3, &S::Command6, "11", "10"},
        {"settle + at 300", &S::Text3, &S::Command5, "300", "300"},
        {"max minutes + at 100", &S::Text4, &S::Command8, "100", "100"},
        {"max minutes - at 1", &S::Text4, &S::Command7, "1", "1"},
        {"max minutes -", &S::Text4, &S::Command7, "30", "29"},
        {"a fraction keeps its fraction", &S::Text3, &S::Command5, "12.5", "13.5"},
        {"damaged text steps from the default", &S::Text3, &S::Command5, "x", "31"},
    };
    Video_Quelm_Setup& s = t.setup();
    for (const Case& c : cases) {
        (s.*c.box).text = c.before;
        (s.*c.button).click();
        EXPECT_EQ((s.*c.box).text, c.after) << c.name;
    }
}

// The folder is what precedes the last slash of the suggested file; the sound is opened, ready
// for its play button, but not played; a cancel changes nothing. Closing only hides the dialog
// and stops the alarm sound, not the alarm's count; it shows the paths afresh when it opens.
TEST_F(SetupDialog, ChosenPathsAreKeptAndShownEachTimeItOpens) {
    f.mnuOptions.click();
    Video_Quelm_Setup& s = t.setup();
    EXPECT_TRUE(s.visible);
    EXPECT_EQ(s.Label1.caption, f.snap_folder);
    const QString folder_before = f.snap_folder;
    t.dialogs.answers = {"", ""};
    s.Command1.click();
    s.Command3.click();
    t.scheduler.run_for(1);  // the answers come as events of their own
    EXPECT_EQ(f.snap_folder, folder_before);
    EXPECT_EQ(f.alarm_file, "");
    t.dialogs.answers = {"/media/cam/Future Capture Files", "/home/me/siren.wav"};
    s.Command1.click();
    s.Command3.click();
    t.scheduler.run_for(1);  // the answers come as events of their own
    EXPECT_EQ(f.snap_folder, "/media/cam/");
    EXPECT_EQ(f.alarm_file, "/home/me/siren.wav");
    EXPECT_EQ(t.sound.file_name, "/home/me/siren.wav");
    EXPECT_EQ(t.sound.commands, QStringList{"Open"});

    s.Text2.text = "42";
    f.Timer6.set_enabled(true);
    t.scheduler.run_for(5'000);
    EXPECT_TRUE(s.Form_Unload());
    EXPECT_FALSE(s.visible);
    EXPECT_EQ(t.sound.commands, (QStringList{"Open", "Stop"}));
    EXPECT_TRUE(f.Timer6.enabled());
    EXPECT_EQ(f.alarm_count, 5);
    f.snap_folder = "/srv/cam/";  // by a remote command, say
    f.mnuOptions.click();
    EXPECT_EQ(&t.setup(), &s);
    EXPECT_EQ(s.Text2.text, "42");
    EXPECT_EQ(s.Label1.caption, "/srv/cam/");
    EXPECT_EQ(s.Label3.caption, "/home/me/siren.wav");
}

}  // namespace
