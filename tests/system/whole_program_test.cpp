// The real program, headless, talking over a private session bus to the simulated client run as
// its own program. Everything is checked through what the owner saw and the files the program
// left.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <iostream>
#include <memory>

#include "app/settings_codec.h"
#include "child_process.h"
#include "gst/gst_test_support.h"
#include "private_bus.h"
#include "qt_printers.h"
#include "settings_files.h"

namespace {

// Seconds from the moment the program names itself to the client.
const char* const owner_script =
    "# the alarm fires about four seconds in; the call comes some five seconds later\n"
    "20 answer\n"
    "27 hangup\n"
    "28 quit\n";

// A home service's settings (the owner "vq.owner") in a fresh application folder, on a bus of its
// own. A failure prints what the programs said.
struct WholeProgram : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(bus.running()) << "no dbus-daemon to start";
        ASSERT_TRUE(QDir().mkpath(app));
        ASSERT_TRUE(write_home_settings(app, "vq.owner"));
    }
    void TearDown() override {
        if (!HasFailure()) return;
        for (const auto* child : {sim.get(), program.get()})
            if (child) std::cerr << (child->output + child->errors).toStdString() << "---\n";
    }
    // The simulated client with these arguments, once it is on the bus.
    void start_client(const QStringList& arguments) {
        sim = std::make_unique<ChildProcess>(VQ_SKYPE_SIM, arguments, bus.address());
        EXPECT_TRUE(bus.wait_for_client());
    }
    void start(const QString& camera = "demo") {
        program = std::make_unique<ChildProcess>(
            VQ_PROGRAM,
            QStringList{"--headless", "--camera", camera, "--skype", "dbus", "--app-folder", app},
            bus.address());
    }
    bool printed(const QString& text) const { return program->output.contains(text); }
    QString settings_path() const { return app + '/' + settings_codec::file_name; }
    // Ends the program with the signal; it goes through its normal exit.
    void end_with(int signal) {
        ::kill(static_cast<pid_t>(program->process.processId()), signal);
        ASSERT_TRUE(program->finish());
        EXPECT_EQ(program->process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program->process.exitCode(), 0);
    }

    PrivateBus bus;
    QTemporaryDir folder;
    const QString app = folder.filePath("app");
    std::unique_ptr<ChildProcess> sim;
    std::unique_ptr<ChildProcess> program;
};

// What the parts do is their own tests'; here, that the programs join them: the alarm's picture
// travels through the client's file dialog, and its call carries the camera. (Calls in and
// commands over the bus are the XMPP client's bus test and the in-process link's.)
TEST_F(WholeProgram, TheOwnerIsAlarmedAndLooksIn) {
    // Four seconds of a quiet room, then a box crosses it; the camera plays this round and round.
    const QString clip = folder.filePath("room.avi");
    ASSERT_TRUE(make_room_clip(clip, {80, 80}));
    const QString script = folder.filePath("owner.script");
    ASSERT_TRUE(write_file(script, owner_script));
    start_client({"--script", script});
    start(clip);

    ASSERT_TRUE(sim->finish(120'000));
    const QStringList seen = sim->lines();
    const QStringList snapshots = QDir(app).entryList({"Pic*.JPG"});
    ASSERT_FALSE(snapshots.isEmpty());
    EXPECT_TRUE(
        in_order(seen, {"-> OPEN FILETRANSFER vq.owner IN " + app + "/",
                        "picture received: " + app + "/" + snapshots.first(), "-> Call vq.owner"}));
    EXPECT_TRUE(in_order(seen, {"-> Call vq.owner", "owner: answer", "owner: hangup"}));
    EXPECT_EQ(seen.filter("video: you see the machine's camera").size(), 1);

    // Pictures of a home are its owner's alone, the settings too, though the test wrote them
    // readable by all.
    const auto mode = [&](const QString& name) {
        struct stat status {};
        return ::stat(QFile::encodeName(app + '/' + name).constData(), &status) == 0
                   ? status.st_mode & 0777
                   : 0;
    };
    EXPECT_EQ(mode(""), 0700u);
    for (const QString& name : {QString("vq.stp"), QString("motion_log.txt"), snapshots.first()})
        EXPECT_EQ(mode(name), 0600u) << name.toStdString();
}

// Without a camera, and refused by the client, it runs on and says so: the refusal in one line
// on the terminal. A hang-up, or a reader of its output that went away, ends nothing but through
// the normal exit, which saves the settings (taken away here after the start, so their return
// shows the save).
TEST_F(WholeProgram, SignalsAndAClosedOutputEndItThroughItsNormalExit) {
    struct Case {
        const char* camera;
        bool output_closed;
        int signal;
    };
    start_client({"--refuse"});
    for (const Case& c : {Case{"/dev/video99", false, SIGHUP}, Case{"demo", true, SIGTERM}}) {
        SCOPED_TRACE(c.camera);
        start(c.camera);
        ASSERT_TRUE(wait_until([&] { return printed("status: "); }));
        ASSERT_TRUE(QFile::remove(settings_path()));
        // Detection settles two seconds after the start: a status line goes to the closed pipe.
        if (c.output_closed) program->process.closeReadChannel(QProcess::StandardOutput);
        EXPECT_FALSE(program->finish(8'000)) << "it runs on";
        if (!c.output_closed) {
            EXPECT_EQ(program->output.count("The chat client refused this program access"), 1);
            EXPECT_TRUE(program->errors.contains("ERROR 68")) << "and the log has it";
            EXPECT_TRUE(program->errors.contains("Can't open capture window"));
            // Armed without a picture, the status says detection waits rather than that it is
            // on delay, and the loop still runs to say it.
            EXPECT_TRUE(program->output.contains("status: No Picture: Detection Waits"))
                << "the loop still runs";
        }
        end_with(c.signal);
        EXPECT_TRUE(QFile::exists(settings_path()));
    }
}

// The application folder on a full disk: the settings written at the exit cannot fit, and the
// file the program started with is kept whole. Only root can mount the small disk; CI runs as
// root (and says so with VQ_CI), so there a missing mount is a failure, not a skip.
TEST_F(WholeProgram, AFullDiskKeepsTheSettingsFile) {
    if (::geteuid() != 0) {
        if (!qEnvironmentVariableIsEmpty("VQ_CI")) FAIL() << "CI must run as root to mount";
        GTEST_SKIP() << "only root can mount a small file system";
    }
    ASSERT_EQ(QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=256k", "tmpfs", app}), 0)
        << "root could not mount a small file system on " << app.toStdString();
    struct Unmount {
        QString at;
        ~Unmount() { QProcess::execute("umount", {"-l", at}); }
    } unmount{app};
    ASSERT_TRUE(write_home_settings(app, "vq.owner"));
    start();
    ASSERT_TRUE(wait_until([&] { return printed("status: "); }));
    QFile settings(settings_path());
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray before = settings.readAll();
    settings.close();
    QFile filler(app + "/filler");
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size()) {
    }
    end_with(SIGTERM);
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_EQ(settings.readAll(), before);
}

}  // namespace
