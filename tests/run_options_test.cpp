#include <gtest/gtest.h>

#include <QDir>

#include "qt_printers.h"
#include "run/run_options.h"

namespace {

// What the command line asks for, then the application folder if it is absolute; or how the
// program ends and what it says.
QString outcome(const QStringList& arguments) {
    QString message;
    int exit_code = -1;
    const auto o = parse_run_options(QStringList{"videoquelm"} + arguments, message, exit_code);
    if (!o) return QString("exit %1: %2").arg(exit_code).arg(message);
    QStringList parts{o->camera, o->skype};
    for (const auto& [on, name] :
         {std::pair{o->headless, "headless"}, std::pair{o->demo, "demo"}, std::pair{o->arm, "arm"}})
        if (on) parts << name;
    return parts.join(' ') + " | " + (QDir::isAbsolutePath(o->app_folder) ? o->app_folder : "");
}

TEST(RunOptions, TheCommandLineChoosesCameraLinkAndFaceOrEndsWithAMessage) {
    const std::pair<QStringList, QString> cases[] = {
        {{}, "auto dbus | /"},
        {{"--demo"}, "demo sim demo | /"},
        {{"--demo", "--camera", "/dev/video1"}, "/dev/video1 sim demo | /"},
        {{"--skype", "dbus", "--demo"}, "demo dbus demo | /"},
        {{"--headless", "--arm", "--camera", "rtsp://cam/live"},
         "rtsp://cam/live dbus headless arm | /"},
        {{"--app-folder", "some/where"},
         "auto dbus | " + QDir::current().absoluteFilePath("some/where")},
        {{"--help"}, "exit 0: Usage: videoquelm [options]"},
        {{"-h"}, "exit 0: Usage: videoquelm [options]"},
        {{"--skype", "irc"}, "exit 2: --skype takes dbus, sim or xmpp"},
        {{"--camera", ""}, "exit 2: --camera needs a source"},
        {{"--bogus"}, "exit 2: Unknown option 'bogus'"},
        {{"clip.avi"}, "exit 2: Unexpected argument: clip.avi"},
        {{"--camera"}, "exit 2: Missing value after '--camera'"},
    };
    for (const auto& [arguments, expected] : cases) {
        const QString seen = outcome(arguments);
        EXPECT_TRUE(seen.startsWith(expected)) << arguments.join(' ') << ": " << seen;
    }
}

}  // namespace
