// Video Quelm without windows: the engine on the demo camera scene, printing what it does.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "app/frm_testing.h"
#include "app/program.h"
#include "app/version.h"
#include "capture/demo_camera.h"
#include "platform/console_messages.h"
#include "platform/no_file_dialogs.h"
#include "platform/offline_skype_link.h"
#include "platform/seams.h"
#include "platform/silent_sound_device.h"
#include "time/qt_scheduler.h"

namespace {
void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char* argv[]) {
    // Snapshots are stamped with text, which needs a font engine but no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QCoreApplication::setApplicationName(app::title);

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Motion-detection alarm for one camera."));
    options.addHelpOption();
    QCommandLineOption folder_option(QStringLiteral("app-folder"),
                                     QStringLiteral("Folder for settings, motion log and snapshots."),
                                     QStringLiteral("DIR"), QCoreApplication::applicationDirPath());
    options.addOption(folder_option);
    options.process(application);

    const QString folder = QDir(options.value(folder_option)).absolutePath();
    QDir().mkpath(folder);

    QtScheduler scheduler;
    DemoCamera camera([&scheduler] { return scheduler.now_ms(); });
    OfflineSkypeLink skype([](const QString& command) { say(QStringLiteral("-> ") + command); });
    SilentSoundDevice sound;
    ConsoleMessages messages;
    NoFileDialogs dialogs;
    Program program(Seams{scheduler, camera, skype, sound, messages, skype, dialogs}, folder);
    frmTesting& window = program.main_window();

    QString last_status;
    scheduler.after_event = [&] {
        if (window.Label5.caption != last_status) {
            last_status = window.Label5.caption;
            say(QStringLiteral("status: ") + last_status);
        }
    };

    say(QStringLiteral("%1 %2 on the demo camera; application folder %3")
            .arg(app::title, app::version_line(), folder));
    window.show();
    window.cmdCapture_Click();
    say(QStringLiteral("Detection is armed; a figure walks through the room every 20 seconds. "
                       "Press Ctrl+C to stop."));
    return application.exec();
}
