// The real program, headless, on a recorded clip, talking over a private session bus to the
// simulated client run as its own program with a timed owner script. Everything is checked
// through what the owner saw and the files the program left.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <memory>

#include "app/settings_codec.h"
#include "child_process.h"
#include "gst/gst_test_support.h"
#include "private_bus.h"
#include "qt_printers.h"
#include "settings_files.h"

namespace {

constexpr int frames_per_second = 20;
constexpr int still_frames = 80;  // four seconds of a quiet room...
constexpr int moving_frames =
    80;  // ...then a box crosses it; the camera plays this round and round

// The settings a user would have made: the owner as call target, two seconds to settle,
// picture and call on motion, detection on at start, the whole picture watched.
void write_settings(const QString& folder) {
    const QStringList values = {"vq.owner", "30", "30", "2",   "30",    "",      "1",
                                "1",        "1",  "0",  "1",   "False", "False", "False",
                                "True",     "",   "4",  "316", "4",     "236"};
    ASSERT_TRUE(write_settings_file(folder, values));
}

// Seconds from the moment the program names itself to the client.
const char* const owner_script =
    "1 say status\n"
    "2 say alarm on\n"
    "# the alarm fires about four seconds in; the call comes some five seconds later\n"
    "20 answer\n"
    "27 hangup\n"
    "28 say motion off\n"
    "31 call\n"
    "40 hangup\n"
    "43 quit\n";

struct WholeProgram : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(bus.running()) << "no dbus-daemon to start";
        app = folder.filePath("app");
        QDir().mkpath(app);
        write_settings(app);
        clip = folder.filePath("room.avi");
        ASSERT_TRUE(make_scene_clip(clip, still_frames + moving_frames,
                                    [](int n) { return room_frame(n, still_frames, 90, 5); }));
        QFile script(folder.filePath("owner.script"));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(owner_script);
    }
    bool client_on_bus() {
        QDBusConnection connection = bus.connect();
        const bool there = connection.interface()->isServiceRegistered("com.Skype.API");
        bus.disconnect(connection);
        return there;
    }

    PrivateBus bus;
    QTemporaryDir folder;
    QString app, clip;
};

TEST_F(WholeProgram, TheOwnerIsAlarmedLooksInAndTheSettingsAreKept) {
    ChildProcess sim(VQ_SKYPE_SIM, {"--script", folder.filePath("owner.script")}, bus.address());
    ASSERT_TRUE(wait_until([&] { return client_on_bus(); })) << sim.errors.toStdString();
    ChildProcess program(VQ_PROGRAM,
                         {"--headless", "--camera", clip, "--skype", "dbus", "--app-folder", app},
                         bus.address());

    ASSERT_TRUE(sim.finish(120'000)) << sim.output.toStdString();
    const QStringList seen = sim.lines();
    const QString transcript = sim.output + "\n--- program:\n" + program.output + program.errors;

    EXPECT_TRUE(in_order(seen, {"-> NAME VideoQuelm", "<- OK", "-> PROTOCOL 5", "<- PROTOCOL 5"}))
        << transcript.toStdString();
    EXPECT_TRUE(in_order(seen, {"machine: Status of Video Quelm", "machine: IM Pic Enabled",
                                "machine: Alarm now on"}))
        << transcript.toStdString();

    // The alarm: a snapshot on disk and in the log, the picture with the owner, then the call.
    const QStringList snapshots = QDir(app).entryList({"Pic*.JPG"});
    ASSERT_FALSE(snapshots.isEmpty()) << transcript.toStdString();
    const QString first = snapshots.first();
    QFile log(app + "/motion_log.txt");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().startsWith((first + "  ").toLatin1()));
    EXPECT_TRUE(in_order(seen, {"-> OPEN FILETRANSFER vq.owner IN " + app + "/",
                                "picture received: " + app + "/" + first, "-> Call vq.owner"}))
        << transcript.toStdString();

    // The owner answers the alarm call and sees the camera, then calls in later and is answered.
    EXPECT_EQ(seen.filter("video: you see the machine's camera").size(), 2)
        << transcript.toStdString();
    EXPECT_EQ(seen.filter(QRegularExpression("^-> ALTER CALL \\d+ START_VIDEO_SEND$")).size(), 2);
    EXPECT_TRUE(in_order(seen, {"-> Call vq.owner", "owner: answer", "owner: hangup",
                                "machine: Motion Sensing Now OFF", "owner: call", "owner: hangup"}))
        << transcript.toStdString();

    // Ended by SIGTERM, the program goes through its normal exit and keeps what changed by chat.
    program.process.terminate();
    ASSERT_TRUE(program.finish());
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit) << program.errors.toStdString();
    EXPECT_EQ(program.process.exitCode(), 0);
    QFile settings(app + '/' + settings_codec::file_name);
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = settings_codec::split_lines(settings.readAll());
    ASSERT_GE(lines.size(), 10);
    EXPECT_EQ(settings_codec::read(lines[9]), QString("1")) << "\"alarm on\" was saved";
}

TEST_F(WholeProgram, WithoutCameraOrClientItRunsAndSaysSo) {
    ChildProcess program(
        VQ_PROGRAM, {"--headless", "--camera", "/dev/video99", "--app-folder", app}, bus.address());
    ASSERT_TRUE(wait_until([&] { return program.errors.contains("Logged out of Skype!"); }, 30'000))
        << program.errors.toStdString();
    EXPECT_TRUE(program.errors.contains("Can't open capture window"));
    EXPECT_TRUE(program.output.contains("status: Motion Detect on Delay")) << "the loop still runs";
    program.process.terminate();
    ASSERT_TRUE(program.finish());
    EXPECT_EQ(program.process.exitCode(), 0);
}

// The program on the demo camera with no client on the bus: quick to start, nothing to wait for.
struct ProgramAlone : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(bus.running()) << "no dbus-daemon to start";
        app = folder.filePath("app");
        QDir().mkpath(app);
    }
    void start() {
        write_settings(app);
        program = std::make_unique<ChildProcess>(
            VQ_PROGRAM,
            QStringList{"--headless", "--camera", "demo", "--skype", "dbus", "--app-folder", app},
            bus.address());
        ASSERT_TRUE(wait_until([&] { return program->output.contains("status: "); }))
            << program->errors.toStdString();
    }
    QString settings_path() const { return app + '/' + settings_codec::file_name; }
    void end_with(int signal) {
        ::kill(static_cast<pid_t>(program->process.processId()), signal);
        ASSERT_TRUE(program->finish());
        EXPECT_EQ(program->process.exitStatus(), QProcess::NormalExit)
            << program->errors.toStdString();
        EXPECT_EQ(program->process.exitCode(), 0);
    }

    PrivateBus bus;
    QTemporaryDir folder;
    QString app;
    std::unique_ptr<ChildProcess> program;
};

// A hang-up, or a reader of its output that went away, ends nothing but through the normal exit,
// which saves the settings (taken away here after the start, so their return shows the save).
TEST_F(ProgramAlone, SignalsAndAClosedOutputEndItThroughItsNormalExit) {
    struct Case {
        const char* name;
        bool output_closed;
        int signal;
    };
    for (const Case& c : {Case{"hang-up", false, SIGHUP}, Case{"output closed", true, SIGTERM}}) {
        start();
        ASSERT_TRUE(QFile::remove(settings_path()));
        if (c.output_closed) {
            program->process.closeReadChannel(QProcess::StandardOutput);
            // Detection settles two seconds after the start: a status line goes to the closed pipe.
            EXPECT_FALSE(program->finish(8'000)) << c.name << ": it runs on";
        }
        end_with(c.signal);
        EXPECT_TRUE(QFile::exists(settings_path())) << c.name;
    }
}

// The application folder on a full disk: the settings written at the exit cannot fit, and the
// file the program started with is kept whole.
TEST_F(ProgramAlone, AFullDiskKeepsTheSettingsFile) {
    if (::geteuid() != 0 ||
        QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=256k", "tmpfs", app}) != 0)
        GTEST_SKIP() << "no small file system can be mounted here";
    struct Unmount {
        QString at;
        ~Unmount() { QProcess::execute("umount", {"-l", at}); }
    } unmount{app};
    start();
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

// A client that refuses the program access says so, and the terminal shows it in one line.
TEST_F(WholeProgram, ARefusedProgramSaysSoInOneLine) {
    ChildProcess sim(VQ_SKYPE_SIM, {"--refuse"}, bus.address());
    ASSERT_TRUE(wait_until([&] { return client_on_bus(); })) << sim.errors.toStdString();
    ChildProcess program(VQ_PROGRAM,
                         {"--headless", "--camera", "demo", "--skype", "dbus", "--app-folder", app},
                         bus.address());
    const QString said = "The chat client refused this program access";
    ASSERT_TRUE(wait_until([&] { return program.output.contains(said); }))
        << program.output.toStdString();
    EXPECT_FALSE(program.finish(3'000));
    EXPECT_EQ(program.output.count(said), 1);
    EXPECT_TRUE(program.errors.contains("ERROR 68")) << "and the log has it";
}

}  // namespace
