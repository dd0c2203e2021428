#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "account/xmpp_account.h"
#include "files.h"
#include "omemo/omemo_device.h"
#include "qt_printers.h"
#include "run/install_places.h"
#include "run/run_options.h"
#include "run/startup_checks.h"

namespace {

// What the command line asks for (auto:LINK when the link was left to auto), then the
// application folder if it is absolute; or how the program ends and what it says.
QString outcome(const QStringList& arguments) {
    QString message;
    int exit_code = -1;
    const auto o = parse_run_options(QStringList{"videoquelm"} + arguments, message, exit_code);
    if (!o) return QString("exit %1: %2").arg(exit_code).arg(message);
    QStringList parts{o->camera, o->link_auto ? "auto:" + o->link : o->link};
    for (const auto& [on, name] :
         {std::pair{o->headless, "headless"}, std::pair{o->demo, "demo"}, std::pair{o->arm, "arm"}})
        if (on) parts << name;
    return parts.join(' ') + " | " + (QDir::isAbsolutePath(o->app_folder) ? o->app_folder : "");
}

TEST(RunOptions, TheCommandLineChoosesCameraLinkAndFaceOrEndsWithAMessage) {
    const std::pair<QStringList, QString> cases[] = {
        {{}, "auto auto:dbus | /"},
        {{"--demo"}, "demo sim demo | /"},
        {{"--demo", "--camera", "/dev/video1"}, "/dev/video1 sim demo | /"},
        {{"--skype", "dbus", "--demo"}, "demo dbus demo | /"},
        {{"--headless", "--arm", "--camera", "rtsp://cam/live"},
         "rtsp://cam/live auto:dbus headless arm | /"},
        {{"--app-folder", "some/where"},
         "auto auto:dbus | " + QDir::current().absoluteFilePath("some/where")},
        {{"--help"}, "exit 0: Usage: videoquelm [options]"},
        {{"--link", "irc"}, "exit 2: --link takes auto, dbus, sim or xmpp"},
        {{"--link", "sim"}, "auto sim | /"},
        {{"--xmpp-config", "machine.conf"}, "auto auto:xmpp | /"},
        {{"--link", "dbus", "--xmpp-config", "machine.conf"}, "auto dbus | /"},
        {{"--version"}, "exit 0: videoquelm 1."},
        {{"--set"}, "exit 2: --set needs at least one key=value"},
        {{"target=bob"}, "exit 2: Unexpected argument: target=bob"},
        {{"--camera", ""}, "exit 2: --camera needs a source"},
        {{"--bogus"}, "exit 2: Unknown option 'bogus'"},
        {{"clip.avi"}, "exit 2: Unexpected argument: clip.avi"},
    };
    for (const auto& [arguments, expected] : cases) {
        const QString seen = outcome(arguments);
        EXPECT_TRUE(seen.startsWith(expected)) << arguments.join(' ') << ": " << seen;
    }
}

// The menu entry runs plain "videoquelm": an account saved in the application folder is what it
// must use, and without one the client on the bus.
TEST(RunOptions, AutoTakesTheAccountOfTheApplicationFolderWhenThereIsOne) {
    QTemporaryDir folder;
    EXPECT_EQ(chosen_link("auto", folder.path(), {}), "dbus");
    EXPECT_EQ(chosen_link("auto", folder.path(), "/elsewhere/machine.conf"), "xmpp");
    ASSERT_TRUE(write_file(folder.filePath("xmpp.conf"), "[account]\n"));
    EXPECT_EQ(chosen_link("auto", folder.path(), {}), "xmpp");
    EXPECT_EQ(chosen_link("sim", folder.path(), {}), "sim");
}

// A service set up with --set camera=... runs what camera.conf names, not the first camera.
TEST(RunOptions, AutoTakesTheSceneFileOrUriOfCameraConf) {
    QTemporaryDir folder;
    EXPECT_EQ(chosen_camera("auto", folder.path()), "auto");
    for (const QString& chosen : {"demo", "/srv/clip.avi", "rtsp://cam/live", "/dev/video2"}) {
        ASSERT_TRUE(write_file(folder.filePath("camera.conf"),
                               ("[device]\npath=" + chosen + "\n").toUtf8()));
        EXPECT_EQ(chosen_camera("auto", folder.path()), chosen == "/dev/video2" ? "auto" : chosen);
        EXPECT_EQ(chosen_camera("/dev/video0", folder.path()), "/dev/video0");
    }
}

// An instance's folder lies beside the plain service's, not inside it; one made inside it by an
// earlier version is still found.
TEST(RunOptions, AnInstanceHasAFolderBesideThePlainOne) {
    QTemporaryDir data;
    const QString plain = data.filePath("videoquelm");
    EXPECT_EQ(instance_folder(plain, "door"), plain + "@door");
    ASSERT_TRUE(QDir().mkpath(plain + "/garden"));
    EXPECT_EQ(instance_folder(plain, "garden"), plain + "/garden");
}

TEST(InstallPlaces, AnInstalledCopyKeepsTheUsersThingsInTheirDataFolder) {
    QTemporaryDir root;
    for (const char* folder : {"usr/bin", "usr/share/videoquelm", "opt/vq/bin",
                               "opt/vq/share/videoquelm", "build/release/src"})
        ASSERT_TRUE(QDir(root.path()).mkpath(folder));
    // An installed copy counts as installed even where nobody may write.
    QFile::setPermissions(root.filePath("opt/vq/bin"),
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    const QString data = root.filePath("home/.local/share");
    // Whether installed, then the application folder and the documents folder, under the root.
    const std::pair<const char*, const char*> cases[] = {
        {"usr/bin", "installed home/.local/share/videoquelm usr/share/videoquelm"},
        {"opt/vq/bin", "installed home/.local/share/videoquelm opt/vq/share/videoquelm"},
        {"build/release/src", "in place build/release/src build/release/src"},
    };
    for (const auto& [program_folder, expected] : cases) {
        const InstallPlaces places = install_places(root.filePath(program_folder), data);
        const QStringList seen{places.installed ? "installed" : "in place", places.app_folder,
                               places.documents_folder};
        EXPECT_EQ(seen.join(' ').remove(root.path() + '/'), expected);
    }
}

// A missing camera and a folder that cannot be made are tried on the packed program
// (tests/package).
TEST(StartupChecks, TheRunChoosesTheChecksAndTheyLeaveNothingBehind) {
    QTemporaryDir folder;
    RunOptions options;
    options.app_folder = folder.filePath("new");
    options.camera = "demo";
    const auto lines = [&options](bool with_camera) {
        QStringList all;
        for (const StartupCheck& check : startup_checks(options, with_camera)) all << check.line();
        return all;
    };
    EXPECT_EQ(lines(true), QStringList({"camera demo: ok",
                                        "application folder " + options.app_folder + ": ok"}));
    EXPECT_EQ(
        QDir(options.app_folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{});
    // The account file goes by the messenger client's rules (its tests hold the cases), told
    // without the file's name twice.
    options.link = "xmpp";
    const QString account = "account file " + options.xmpp_config_path() + ": ";
    EXPECT_EQ(lines(false), QStringList({"application folder " + options.app_folder + ": ok",
                                         "call target: none set: nobody's commands will be "
                                         "obeyed and nobody called (set the owner's address in "
                                         "the main window)",
                                         account + "missing: write the machine's jid and "
                                                   "password there (see man videoquelm)"}));
    ASSERT_TRUE(write_file(options.app_folder + "/vq.stp", "\xa1\xa2\xa3\r\n"));
    EXPECT_EQ(lines(false).at(1), "call target opq: ok");
    const QString path = options.xmpp_config_path();
    ASSERT_TRUE(write_file(path, "[account]\njid=cam@example.org\npassword=secret\n"));
    const QFileDevice::Permissions mine = QFile::ReadOwner | QFile::WriteOwner;
    ASSERT_TRUE(QFile::setPermissions(path, mine | QFile::ReadOther));
    EXPECT_EQ(lines(false).last(), account +
                                       "the account file holds a password and others can read "
                                       "it. Make it private with: chmod 600 " +
                                       path);
    ASSERT_TRUE(QFile::setPermissions(path, mine));
    EXPECT_EQ(lines(false).at(2), account + "ok");
    // A check makes no keys: they come with the first login.
    EXPECT_EQ(lines(false).last(),
              "end-to-end encryption (no keys yet: they are made at the first login): ok");
}

}  // namespace
