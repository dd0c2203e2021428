#pragma once

#include <gtest/gtest.h>

#include "frames.h"
#include "test_program.h"

// The program with its main window up, as after Start on the start-up window.
struct ShownProgram : TestProgram {
    explicit ShownProgram(const QString& existing_folder = {}) : TestProgram(existing_folder) {
        form.show();
    }

    // Arms with bob as the call target and waits out the settling delay, so that the next
    // motion fires.
    void make_active() {
        form.Text1.text = "bob";
        form.cmdCapture.click();
        scheduler.run_for(30'000);
        ASSERT_TRUE(form.motion_active);
        skype.commands.clear();  // the version request at start
    }
    // Motion in the watched area on every frame from now on.
    void start_motion() { camera.scene = flickering_band(100, 140); }
};

// What the main window shows and does: its two texts, then the names of what is on.
inline QStringList shown(const frmTesting& f) {
    QStringList row{f.Label5.caption, f.Label1.caption};
    const std::pair<bool, const char*> flags[] = {
        {f.cmdCapture.enabled, "capture"},    {f.cmdStop.enabled, "stop"},
        {f.mnuFormat.enabled, "format menu"}, {f.mnuSettings.enabled, "settings menu"},
        {f.Picture3.enabled, "picture"},      {f.timMotion.enabled(), "loop"},
        {f.Timer1.enabled(), "settling"},     {f.motion_active, "active"},
        {f.call_active != 0, "calling"},      {f.Timer6.enabled(), "alarm sound"}};
    for (const auto& [on, name] : flags)
        if (on) row.append(name);
    return row;
}

struct MachineTest : ::testing::Test {
    ShownProgram t;
    frmTesting& f = t.form;
};
