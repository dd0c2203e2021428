// How long the alarm takes from the tick that sees the motion to the snapshot on disk and to the
// first command line handed to the chat link, leaving out the waits the alarm makes on purpose
// (they pass in virtual time here, instantly). Prints the median and the slowest of 20 alarms.
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/class_motion.h"
#include "app/frm_testing.h"
#include "app/program.h"
#include "camera/camera_owner.h"
#include "platform/console_messages.h"
#include "platform/no_file_dialogs.h"
#include "platform/silent_sound_device.h"
#include "seams/camera.h"
#include "seams/keystrokes.h"
#include "seams/seams.h"
#include "seams/skype_link.h"
#include "time/virtual_scheduler.h"

namespace {
using Clock = std::chrono::steady_clock;

// A dark room with a band that flickers on every frame once `moving` is set.
struct FlickerCamera : Camera {
    bool open() override { return true; }
    std::optional<QImage> grab() override {
        QImage frame(320, 240, QImage::Format_RGB32);
        frame.fill(qRgb(0, 0, 0));
        if (moving) {
            const QRgb band = (++count % 2) ? qRgb(200, 200, 200) : qRgb(30, 30, 30);
            for (int y = 0; y < 240; ++y)
                for (int x = 100; x <= 140; ++x) frame.setPixel(x, y, band);
        }
        return frame;
    }
    void close() override {}
    bool moving = false;
    int count = 0;
};

// Notes when the first command arrives.
struct StopwatchLink : SkypeLink, Keystrokes {
    void Connect(int) override {}
    void SendCommand(const QString&) override {
        if (!first_command) first_command = Clock::now();
    }
    int LoginStatus() const override { return 1; }
    void send_keys(const QString&) override {}
    std::optional<Clock::time_point> first_command;
};

double ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

struct Sample {
    double to_command = 0;
    double to_snapshot = 0;
};

Sample one_alarm() {
    QTemporaryDir folder;
    VirtualScheduler scheduler;
    FlickerCamera camera;
    StopwatchLink link;
    SilentSoundDevice sound;
    ConsoleMessages messages;
    NoFileDialogs dialogs;
    CameraOwner camera_owner(camera);
    Program program(Seams{scheduler, camera, link, sound, messages, link, dialogs}, camera_owner,
                    folder.path());
    frmTesting& f = program.main_window();
    f.show();
    f.Text1.text = QStringLiteral("owner");
    f.Check2.value = CheckBox::checked;  // the picture goes first, then the call
    f.cmdCapture.click();
    scheduler.run_for(40'000);
    link.first_command.reset();
    f.timMotion.set_enabled(false);  // the ticks are run by hand from here

    camera.moving = true;
    Sample sample;
    for (int tick = 0; tick < 10 && !link.first_command; ++tick) {
        const Clock::time_point start = Clock::now();
        f.timMotion_Timer();
        if (link.first_command) sample.to_command = ms_between(start, *link.first_command);
    }
    // The snapshot alone, as the firing tick writes it.
    qint16 peak = 100;
    const Clock::time_point start = Clock::now();
    f.motion().frame_grab(peak);
    sample.to_snapshot = ms_between(start, Clock::now());
    return sample;
}

void print(const char* what, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::printf("%s: median %.2f ms, slowest %.2f ms (%zu alarms)\n", what,
                values[values.size() / 2], values.back(), values.size());
}
}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    std::vector<double> to_command, to_snapshot;
    for (int i = 0; i < 20; ++i) {
        const Sample sample = one_alarm();
        to_command.push_back(sample.to_command);
        to_snapshot.push_back(sample.to_snapshot);
    }
    print("trigger tick to the first command line (snapshot and log written before it)",
          to_command);
    print("snapshot alone (stamped JPEG and log line on disk)", to_snapshot);
    return 0;
}
