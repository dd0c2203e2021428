#include <gtest/gtest.h>

#include "camera/camera_owner.h"
#include "doubles.h"
#include "machine_fixture.h"
#include "time/virtual_scheduler.h"

namespace {

// Steps on one owner, in order: who takes or gives back, whether the taker got the camera, who
// holds it afterwards and what the device saw.
TEST(CameraOwner, OneHolderAtATimeAndOnlyTheHolderClosesIt) {
    enum Act { take, claim, give_back, unplug, plug_in };
    struct Step {
        Act act;
        CameraUser who = CameraUser::nobody;
        bool got = false;
        CameraUser holder = CameraUser::nobody;
        QStringList device = {};  // the journal entries this step adds
        bool unopened = false;    // held by a claim: the holder opens its device itself
    };
    using U = CameraUser;
    const Step steps[] = {
        {take, U::detection, true, U::detection, {"camera open"}},
        {take, U::detection, true, U::detection, {}},  // the holder again: not opened twice
        {take, U::live_picture, false, U::detection, {}},
        {take, U::call, false, U::detection, {}},
        {give_back, U::call, false, U::detection, {}},  // not the holder: nothing closes
        {give_back, U::nobody, false, U::detection, {}},
        {give_back, U::detection, false, U::nobody, {"camera close"}},
        {give_back, U::detection, false, U::nobody, {}},  // given back twice: closed once
        {take, U::call, true, U::call, {"camera open"}},
        {take, U::detection, false, U::call, {}},
        {give_back, U::call, false, U::nobody, {"camera close"}},
        {claim, U::call, true, U::call, {}, true},  // held, not opened
        {take, U::detection, false, U::call, {}, true},
        {claim, U::live_picture, false, U::call, {}, true},
        {give_back, U::call, false, U::nobody, {}},  // never opened here: nothing to close
        {take, U::detection, true, U::detection, {"camera open"}},
        {claim, U::detection, true, U::detection, {}},  // the holder keeps it as it is
        {claim, U::call, false, U::detection, {}},
        {give_back, U::detection, false, U::nobody, {"camera close"}},
        {take, U::nobody, false, U::nobody, {}},
        {.act = unplug},
        {take, U::live_picture, false, U::nobody, {"camera open"}},  // would not open
        {take, U::detection, false, U::nobody, {"camera open"}},     // nobody is left holding it
        {.act = plug_in},
        {take, U::detection, true, U::detection, {"camera open"}},
    };
    VirtualScheduler scheduler;
    Journal journal(scheduler);
    ScriptedCamera camera(journal);
    CameraOwner owner(camera);
    EXPECT_EQ(owner.holder(), U::nobody);
    int n = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(::testing::Message() << "step " << n++);
        if (s.act == unplug || s.act == plug_in) {
            camera.present = s.act == plug_in;
            continue;
        }
        const qsizetype before = journal.entries.size();
        if (s.act == take) {
            Camera* got = owner.take(s.who);
            EXPECT_EQ(got != nullptr, s.got);
            if (got) {
                EXPECT_EQ(got, &camera);
            }
        } else if (s.act == claim) {
            EXPECT_EQ(owner.claim(s.who), s.got);
        } else {
            owner.give_back(s.who);
        }
        EXPECT_EQ(owner.holder(), s.holder);
        EXPECT_EQ(journal.texts().mid(before), s.device);
        EXPECT_EQ(camera.is_open, s.holder != U::nobody && !s.unopened);
    }
}

// While a call holds the camera the engine cannot have it: when the call ends before it gives the
// camera back, detection finds it taken, says so once, and has it within a second of its return.
TEST(CameraOwner, DetectionWaitsForTheCallToGiveTheCameraBack) {
    ShownProgram p;
    p.form.Text1.text = "bob";
    p.skype.on_notification("CALL 9 STATUS RINGING");
    p.skype.on_notification("#510 CALL 9 PARTNER_HANDLE bob");
    p.skype.on_notification("#511 CALL 9 STATUS INPROGRESS");
    ASSERT_EQ(p.camera_owner.holder(), CameraUser::nobody) << "released to the call";
    ASSERT_TRUE(p.camera_owner.claim(CameraUser::call));
    p.skype.on_notification("CALL 9 STATUS FINISHED");
    p.scheduler.run_for(2'000);  // the program wants its camera back
    EXPECT_EQ(p.camera_owner.holder(), CameraUser::call);
    EXPECT_EQ(p.messages.boxes.size(), 1u) << "Can't open capture window";
    p.scheduler.run_for(5'000);
    EXPECT_EQ(p.camera_owner.holder(), CameraUser::call) << "not taken from the call";
    p.camera_owner.give_back(CameraUser::call);
    p.scheduler.run_for(8'000);  // the next try comes at most 8 s later
    EXPECT_EQ(p.camera_owner.holder(), CameraUser::detection);
    EXPECT_EQ(p.messages.boxes.size(), 1u);
}

}  // namespace
