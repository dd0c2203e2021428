// Video Quelm: reads the command line and runs the program with or without windows.
#include <QApplication>
#include <QGuiApplication>
#include <cstdio>

#include "log/journal.h"
#include "platform/gst/camera_listing.h"
#include "run/headless.h"
#include "run/private_folder.h"
#include "run/run_desktop.h"
#include "run/run_options.h"
#include "run/settings_command.h"
#include "run/startup_checks.h"
#include "windows/version.h"

namespace {
bool display_available() {
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}
}  // namespace

int main(int argc, char* argv[]) {
    private_folder::restrict_new_files();
    journal::install_message_handler();
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    QString message;
    int exit_code = 0;
    std::optional<RunOptions> options = parse_run_options(arguments, message, exit_code);
    if (!options) {
        std::fprintf(exit_code == 0 ? stdout : stderr, "%s\n", qPrintable(message));
        return exit_code;
    }
    if (options->camera == QLatin1String("list")) {
        std::fputs(qPrintable(camera_listing::text(camera_listing::cameras())), stdout);
        return 0;
    }
    if (options->print_settings || options->set) return run_settings_command(*options);
    if (options->check) {
        QCoreApplication application(argc, argv);
        return run_check(*options);
    }
    if (!options->headless && !display_available()) {
        std::fprintf(stderr, "No display: running without windows (--headless).\n");
        options->headless = true;
    }
    // Snapshots are stamped with text, which needs a font engine but no display.
    if (options->headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!options->headless) {
        QApplication application(argc, argv);
        QApplication::setApplicationName(app::title);
        // The windows carry the menu entry's name, so a desktop shows its icon and groups them.
        QGuiApplication::setDesktopFileName(QStringLiteral(VQ_APP_ID));
        return run_desktop(*options);
    }
    QGuiApplication application(argc, argv);
    QGuiApplication::setApplicationName(app::title);
    return run_headless(*options);
}
