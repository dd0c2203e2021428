// One tick of the motion loop's measuring half: the difference image of two 320 x 240 frames,
// then the measure over the grid, with motion inside the default rectangle.
#include <benchmark/benchmark.h>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include "app/class_motion.h"
#include "app/frm_testing.h"
#include "app/program.h"
#include "camera/camera_owner.h"
#include "platform/console_messages.h"
#include "platform/no_file_dialogs.h"
#include "platform/offline_skype_link.h"
#include "platform/silent_sound_device.h"
#include "seams/seams.h"
#include "sim/demo_camera.h"
#include "time/virtual_scheduler.h"

namespace {

// Two demo frames with the figure in the middle of the room: the change is inside the default
// rectangle, as when a person walks through.
struct Bench {
    Bench()
        : camera([this] { return scheduler.now_ms(); }),
          camera_owner(camera),
          program(Seams{scheduler, camera, skype, sound, messages, skype, dialogs}, camera_owner,
                  folder.path()),
          f(program.main_window()) {
        f.show();
        frames[0] = camera.frame_at(DemoCamera::walk_start_ms + 3000);
        frames[1] = camera.frame_at(DemoCamera::walk_start_ms + 3250);
    }
    QTemporaryDir folder;
    VirtualScheduler scheduler;
    DemoCamera camera;
    OfflineSkypeLink skype;
    SilentSoundDevice sound;
    ConsoleMessages messages;
    NoFileDialogs dialogs;
    CameraOwner camera_owner;
    Program program;
    frmTesting& f;
    QImage frames[2];
};

void BM_MotionTick(benchmark::State& state) {
    Bench bench;
    ClassMotion& engine = bench.f.motion();
    engine.shut_down();  // the frames come from the benchmark, not the camera
    int n = 0;
    for (auto _ : state) {
        bench.f.Picture1.set_picture(bench.frames[n++ & 1]);
        // Vision_Motion without its grab: the grab only hands over the newest frame.
        engine.Vision_Motion(bench.f.Picture1, bench.f.Picture3, bench.f.picResult);
        engine.Vision_CentreOfMotion(bench.f.picResult);
        benchmark::DoNotOptimize(bench.f.Label9.caption);
    }
}
BENCHMARK(BM_MotionTick)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
