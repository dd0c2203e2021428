#include <gtest/gtest.h>

#include "test_program.h"

namespace {

TEST(SetupDialog, ValueButtonsStepWithinTheirLimits) {
    struct Case {
        const char* name;
        TextBox Video_Quelm_Setup::*box;
        CommandButton Video_Quelm_Setup::*button;
        const char* before;
        const char* after;
    };
    using S = Video_Quelm_Setup;
    const Case cases[] = {
        {"alarm seconds -", &S::Text1, &S::Command10, "10", "10"},
        {"alarm seconds +", &S::Text1, &S::Command9, "300", "300"},
        {"alarm seconds + to the limit", &S::Text1, &S::Command9, "290", "300"},
        {"alarm seconds off the grid passes by one step", &S::Text1, &S::Command9, "295", "305"},
        {"alarm seconds -", &S::Text1, &S::Command10, "30", "20"},
        {"ring - at 1", &S::Text2, &S::Command4, "1", "1"},
        {"ring + to 999", &S::Text2, &S::Command2, "998", "999"},
        {"ring + at 999", &S::Text2, &S::Command2, "999", "999"},
        {"settle - to 10", &S::Text3, &S::Command6, "11", "10"},
        {"settle - at 10", &S::Text3, &S::Command6, "10", "10"},
        {"settle + at 300", &S::Text3, &S::Command5, "300", "300"},
        {"max minutes + at 100", &S::Text4, &S::Command8, "100", "100"},
        {"max minutes - at 1", &S::Text4, &S::Command7, "1", "1"},
        {"max minutes -", &S::Text4, &S::Command7, "30", "29"},
        {"a fraction keeps its fraction", &S::Text3, &S::Command5, "12.5", "13.5"},
        {"damaged text steps from the default", &S::Text3, &S::Command5, "x", "31"},
    };
    TestProgram t;
    Video_Quelm_Setup& s = t.setup();
    for (const Case& c : cases) {
        (s.*c.box).text = c.before;
        (s.*c.button).click();
        EXPECT_EQ((s.*c.box).text, c.after) << c.name;
    }
}

// Closing stops the alarm sound, but not the alarm's count.
TEST(SetupDialog, ClosingOnlyHidesAndStopsTheSound) {
    TestProgram t;
    t.form.show();
    Video_Quelm_Setup& s = t.setup();
    s.visible = true;
    s.Text2.text = "42";
    t.form.Timer6.set_enabled(true);
    t.scheduler.run_for(5'000);
    EXPECT_TRUE(s.Form_Unload());
    EXPECT_FALSE(s.visible);
    EXPECT_EQ(t.sound.commands, QStringList{"Stop"});
    EXPECT_EQ(&t.setup(), &s);
    EXPECT_EQ(s.Text2.text, "42");
    EXPECT_TRUE(t.form.Timer6.enabled());
    EXPECT_EQ(t.form.alarm_count, 5);
}

}  // namespace
