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

struct MachineTest : ::testing::Test {
    ShownProgram t;
    frmTesting& f = t.form;
};
