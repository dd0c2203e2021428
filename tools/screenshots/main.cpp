// Takes pictures of the windows as a user sees them, on a real (virtual) X display: the
// start-up window, the main window running the demo scene, the settings dialog and the About
// window, the user manual in the document viewer, the messenger account, the simulated owner's
// window in a call, and the camera's two dialogs with a common USB webcam as the device. Usage:
// vq_screenshots OUTPUT_FOLDER DOCUMENTS_FOLDER. Checks a few pixels on the way, so a window that
// comes up blank or without its camera picture fails.
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <cstdio>

#include "app/frm_testing.h"
#include "app/program.h"
#include "camera/camera_owner.h"
#include "client/client_core.h"
#include "desktop/about_view.h"
#include "desktop/desktop.h"
#include "desktop/desktop_look.h"
#include "desktop/main_view.h"
#include "desktop/messenger_account_dialog.h"
#include "desktop/owner_window.h"
#include "desktop/setup_view.h"
#include "desktop/splash_view.h"
#include "desktop/video_format_view.h"
#include "desktop/video_settings_view.h"
#include "desktop/viewer_view.h"
#include "desktop/widget_file_dialogs.h"
#include "desktop/widget_messages.h"
#include "platform/no_file_dialogs.h"
#include "platform/offline_skype_link.h"
#include "platform/silent_sound_device.h"
#include "run/run_options.h"
#include "run/session.h"
#include "seams/seams.h"
#include "sim/demo_camera.h"
#include "sim/simulated_webcam.h"
#include "time/qt_scheduler.h"
#include "windows/quelm_splash.h"
#include "windows/video_format_dialog.h"
#include "windows/video_quelm_setup.h"

namespace {
int failures = 0;

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "screenshot check failed: %s\n", what);
    ++failures;
}

QImage take(QWidget* window, const QString& path) {
    QImage picture;
    if (QScreen* screen = window->screen()) picture = screen->grabWindow(window->winId()).toImage();
    if (picture.isNull() || picture.width() < 10) picture = window->grab().toImage();
    check(picture.save(path), "saving the picture");
    std::printf("%s (%d x %d)\n", qPrintable(path), picture.width(), picture.height());
    return picture;
}

bool alarm_shown(Program& program) {
    const QImage& snapshot = program.main_window().Picture4.image();
    return !snapshot.isNull() &&
           qGray(snapshot.pixel(snapshot.width() / 2, snapshot.height() / 2)) > 20;
}

void wait_ms(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The demo scene as if a USB webcam showed it, so that the camera's dialogs have a device to show:
// the simulated webcam the tests use too.
class WebcamDemo : public DemoCamera {
  public:
    explicit WebcamDemo(Scheduler& scheduler)
        : DemoCamera([&scheduler] { return scheduler.now_ms(); }) {}
    CameraDevice* device() override { return &webcam_; }

  private:
    SimulatedWebcam webcam_;
};

// The Video Format and Video Settings dialogs, from the menus of a program of their own.
void take_camera_dialogs(const QDir& out, UserMessages& messages) {
    QtScheduler scheduler;
    QTemporaryDir folder;
    WebcamDemo camera(scheduler);
    OfflineSkypeLink link;
    SilentSoundDevice sound;
    NoFileDialogs dialogs;
    CameraOwner camera_owner(camera);
    Program program(Seams{scheduler, camera, link, sound, messages, link, dialogs}, camera_owner,
                    folder.path());
    Desktop desktop(program);
    scheduler.post([&] { program.main_window().show(); });
    scheduler.post([&] { program.main_window().mnuFormat.click(); });
    wait_ms(500);
    check(desktop.video_format().isVisible(), "the video format dialog");
    take(&desktop.video_format(), out.filePath("video_format_dialog.png"));
    scheduler.post([&] { program.video_format().Cancel_Click(); });
    scheduler.post([&] { program.main_window().mnuSettings.click(); });
    wait_ms(500);
    check(desktop.video_settings().isVisible(), "the video settings dialog");
    take(&desktop.video_settings(), out.filePath("video_settings_dialog.png"));
    scheduler.quit();  // nothing queued may run once the program is gone
}
}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: vq_screenshots OUTPUT_FOLDER DOCUMENTS_FOLDER\n");
        return 2;
    }
    apply_desktop_look();
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    QTemporaryDir folder;
    RunOptions options;
    options.camera = QStringLiteral("demo");
    options.link = QStringLiteral("sim");
    options.demo = true;
    options.arm = true;
    options.app_folder = folder.path();
    WidgetMessages messages;
    WidgetFileDialogs dialogs;
    Session session(options, messages, dialogs);
    Program& program = session.program();
    program.program_folder = QString::fromLocal8Bit(argv[2]);
    Desktop desktop(program);
    Scheduler& scheduler = session.scheduler();
    scheduler.post([&] {
        // Two seconds to settle and no call-out, so that the first walk through the room raises
        // the alarm and the capture picture shows it.
        program.splash().show_main_window = [&session, &program] {
            session.show_main_window();
            program.setup().Text3.text = QStringLiteral("2");
            program.main_window().Check1.set_value(CheckBox::unchecked);
        };
        program.splash().show();
    });
    wait_ms(800);
    const QImage splash = take(desktop.splash().window(), out.filePath("start_up_window.png"));
    check(splash.pixelColor(splash.width() / 2, splash.height() / 2 - 40).green() > 200,
          "the start-up window's green frame");

    desktop.splash().start_button()->click();
    // The demo's figure walks through the room from 8 to 14 seconds after the start.
    while (scheduler.now_ms() < 10'500) wait_ms(100);
    while (!alarm_shown(program) && scheduler.now_ms() < 20'000) wait_ms(100);
    const QImage main = take(desktop.main().window(), out.filePath("main_window_demo.png"));
    const QPoint camera =
        desktop.main().Picture3()->mapTo(desktop.main().window(), QPoint(160, 120));
    check(main.pixelColor(camera).lightness() > 40, "a camera picture in the main window");
    check(alarm_shown(program), "the alarm's snapshot in the main window");

    scheduler.post([&] { program.main_window().mnuOptions.click(); });
    wait_ms(500);
    take(desktop.setup().window(), out.filePath("settings_dialog.png"));
    scheduler.post([&] { program.main_window().mnuAbout.click(); });
    wait_ms(500);
    take(desktop.about().window(), out.filePath("about_window.png"));
    scheduler.post([&] { program.main_window().mnuInstructions.click(); });
    wait_ms(800);
    take(desktop.viewer().window(), out.filePath("user_manual.png"));
    check(!desktop.viewer().text_box()->toPlainText().isEmpty(), "the user manual's text");

    MessengerAccountDialog account(folder.filePath(QStringLiteral("xmpp.conf")), false);
    account.show();
    wait_ms(500);
    take(&account, out.filePath("messenger_account.png"));

    // The simulated owner asks for the status, then calls in and sees the camera.
    OwnerWindow owner(*session.client(), scheduler);
    owner.show();
    scheduler.post([&] { session.client()->say(QStringLiteral("status")); });
    wait_ms(1'000);
    scheduler.post([&] { session.client()->call_machine(); });
    while (!session.client()->seen_by().video && scheduler.now_ms() < 30'000) wait_ms(100);
    wait_ms(500);
    take(&owner, out.filePath("owner_window.png"));
    check(session.client()->seen_by().video, "video in the owner's call");

    take_camera_dialogs(out, messages);
    return failures == 0 ? 0 : 1;
}
