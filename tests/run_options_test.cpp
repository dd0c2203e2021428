#include <gtest/gtest.h>

#include <QDir>

#include "qt_printers.h"
#include "run/run_options.h"

namespace {

struct Expected {
    QString camera, skype;
    bool headless, demo, arm;
};

TEST(RunOptions, TheCommandLineChoosesCameraLinkAndFace) {
    const std::pair<QStringList, Expected> cases[] = {
        {{}, {"auto", "dbus", false, false, false}},
        {{"--demo"}, {"demo", "sim", false, true, false}},
        {{"--demo", "--camera", "/dev/video1"}, {"/dev/video1", "sim", false, true, false}},
        {{"--skype", "dbus", "--demo"}, {"demo", "dbus", false, true, false}},
        {{"--headless", "--arm", "--camera", "rtsp://cam/live"},
         {"rtsp://cam/live", "dbus", true, false, true}},
    };
    for (const auto& [arguments, expected] : cases) {
        QString message;
        int exit_code = -1;
        const auto options =
            parse_run_options(QStringList{"videoquelm"} + arguments, message, exit_code);
        ASSERT_TRUE(options) << arguments.join(' ') << ": " << message;
        EXPECT_EQ(options->camera, expected.camera) << arguments.join(' ');
        EXPECT_EQ(options->skype, expected.skype) << arguments.join(' ');
        EXPECT_EQ(options->headless, expected.headless) << arguments.join(' ');
        EXPECT_EQ(options->demo, expected.demo) << arguments.join(' ');
        EXPECT_EQ(options->arm, expected.arm) << arguments.join(' ');
        EXPECT_TRUE(QDir::isAbsolutePath(options->app_folder)) << options->app_folder;
    }
}

TEST(RunOptions, MistakesAndHelpEndTheProgramWithAMessage) {
    struct Case {
        QStringList arguments;
        int exit_code;
        QString says;
    };
    const Case cases[] = {
        {{"--help"}, 0, "Usage: videoquelm [options]"},
        {{"-h"}, 0, "--app-folder <DIR>"},
        {{"--skype", "irc"}, 2, "--skype takes dbus, sim or xmpp"},
        {{"--camera", ""}, 2, "--camera needs a source"},
        {{"--bogus"}, 2, "Unknown option 'bogus'"},
        {{"clip.avi"}, 2, "Unexpected argument: clip.avi"},
        {{"--camera"}, 2, "Missing value after '--camera'"},
    };
    for (const Case& c : cases) {
        QString message;
        int exit_code = -1;
        EXPECT_FALSE(parse_run_options(QStringList{"videoquelm"} + c.arguments, message, exit_code))
            << c.arguments.join(' ');
        EXPECT_EQ(exit_code, c.exit_code) << c.arguments.join(' ');
        EXPECT_TRUE(message.contains(c.says)) << c.arguments.join(' ') << ": " << message;
    }
}

TEST(RunOptions, TheApplicationFolderIsMadeAbsolute) {
    QString message;
    int exit_code = -1;
    const auto options =
        parse_run_options({"videoquelm", "--app-folder", "some/where"}, message, exit_code);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->app_folder, QDir::current().absoluteFilePath("some/where"));
}

}  // namespace
