// The vq-skype-sim program on a private bus, with the chat link of the test attached to it.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include "child_process.h"
#include "platform/dbus/dbus_skype_link.h"
#include "private_bus.h"
#include "qt_printers.h"
#include "scripted_client.h"
#include "stand_in_program.h"
#include "time/qt_scheduler.h"

namespace {

// The client program, run on the test's bus.
struct SimProcess : ChildProcess {
    SimProcess(const PrivateBus& bus, const QStringList& arguments)
        : ChildProcess(QStringLiteral(VQ_SKYPE_SIM), arguments, bus.address()) {}
};

struct SimProcessTest : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(bus.running()) << "no dbus-daemon to start"; }

    QString script(const QString& text) {
        const QString path = folder.filePath("owner.script");
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text.toUtf8());
        return path;
    }
    DBusSkypeLink& start_link() {
        program_bus = bus.connect();
        link = std::make_unique<DBusSkypeLink>(scheduler, program_bus);
        link->on_notification = [this](const QString& line) { lines.append(line); };
        return *link;
    }

    PrivateBus bus;
    QtScheduler scheduler;
    QTemporaryDir folder;
    QDBusConnection program_bus = QDBusConnection(QString());
    std::unique_ptr<DBusSkypeLink> link;
    QStringList lines;
};

// A stand-in for the program answers the owner's chat line and call as the program does; the
// client's transcript shows the whole conversation in order.
TEST_F(SimProcessTest, TheOwnersScriptPlaysAgainstTheMachine) {
    DBusSkypeLink& program = start_link();
    StandInProgram stand_in(program);
    program.on_notification = [&](const QString& line) { stand_in.take(line); };
    program.Connect(10);  // no client yet: the link attaches when it comes

    SimProcess sim(bus, {"--script",
                         script("# the owner arms the machine, then looks in\n"
                                "0 say motion on\n"
                                "0.2 call\n"),
                         "--exit-at-eof"});
    ASSERT_TRUE(wait_until([&] {
        return sim.shows("machine: Motion Sensing Now ON") && sim.shows("the machine answered");
    })) << sim.output.toStdString();
    sim.process.closeWriteChannel();
    ASSERT_TRUE(sim.finish());
    EXPECT_EQ(sim.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.process.exitCode(), 0);

    const QStringList shown = sim.lines();
    const QString attached = "the machine (" + program_bus.baseService() + ") is attached";
    EXPECT_TRUE(in_order(
        shown, {"vq.camera is on the session bus; you are vq.owner. Type ? for help.",
                "-> NAME VideoQuelm", "<- OK", attached, "-> PROTOCOL 5", "<- PROTOCOL 5"}))
        << sim.output.toStdString();
    EXPECT_TRUE(
        in_order(shown, {"owner: say motion on", "<- CHATMESSAGE 101 STATUS RECEIVED",
                         "-> #605 GET CHATMESSAGE 101 CHATNAME", "-> #610 GET CHATMESSAGE 101 BODY",
                         "<- #610 CHATMESSAGE 101 BODY motion on",
                         "-> CHATMESSAGE " + stand_in.chat + " Motion Sensing Now ON",
                         "machine: Motion Sensing Now ON"}))
        << sim.output.toStdString();
    EXPECT_TRUE(in_order(shown, {"owner: call", "ringing the machine...", "the machine answered"}))
        << sim.output.toStdString();
}

// The script's clock starts when the machine first names itself, accepted or not.
TEST_F(SimProcessTest, AScriptCanEndTheClientAndTheMachineMayBeRefused) {
    const std::pair<bool, QString> cases[] = {{false, "OK"}, {true, "ERROR 68"}};
    for (const auto& [refuse, answer] : cases) {
        QStringList arguments = {"--script", script("0 quit\n")};
        if (refuse) arguments.append("--refuse");
        lines.clear();
        SimProcess sim(bus, arguments);
        start_link().Connect(10);
        ASSERT_TRUE(sim.finish()) << refuse;
        EXPECT_EQ(sim.process.exitCode(), 0) << refuse;
        ASSERT_TRUE(wait_until([&] { return lines.contains(answer); })) << refuse;
        const QString attached = refuse ? "was refused" : "is attached";
        EXPECT_TRUE(sim.output.contains(attached)) << sim.output.toStdString();
        EXPECT_TRUE(sim.shows("owner: quit")) << sim.output.toStdString();
        link.reset();
    }
}

TEST_F(SimProcessTest, ItStopsAtOnceWhenItCannotRun) {
    ScriptedClient holder(bus.connect());
    ASSERT_TRUE(holder.started());
    struct Case {
        QStringList arguments;
        QString script;
        int exit_code;
        QString says;
    };
    const Case cases[] = {
        {{}, "", 1, "com.Skype.API is already on the bus: another client is running"},
        {{"--script"}, "# fine\nten call\n", 2, "line 2: a time in seconds comes first"},
        {{"--script"}, "", 2, "No such file or directory"},
    };
    for (const Case& c : cases) {
        QStringList arguments = c.arguments;
        if (!arguments.isEmpty())
            arguments.append(c.script.isEmpty() ? folder.filePath("missing") : script(c.script));
        SimProcess sim(bus, arguments);
        ASSERT_TRUE(sim.finish()) << c.says;
        EXPECT_EQ(sim.process.exitCode(), c.exit_code) << c.says;
        EXPECT_TRUE(sim.errors.contains(c.says)) << c.says;
    }
}

}  // namespace
