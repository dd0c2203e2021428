// The vq-skype-sim program on a private bus, with the chat link of the test attached to it.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "child_process.h"
#include "platform/dbus/dbus_skype_link.h"
#include "private_bus.h"
#include "qt_printers.h"
#include "scripted_client.h"
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

// The whole conversation with the real program is the whole-program test's; here, how the
// client ends: by its script, or at the end of its input when asked to. The script's clock starts
// when the machine first names itself, accepted or not.
TEST_F(SimProcessTest, TheClientEndsByItsScriptOrItsInputAndMayRefuseTheMachine) {
    struct Case {
        QStringList arguments;
        QString answer, attached, shown;
    };
    const Case cases[] = {
        {{"--script", script("0 quit\n")}, "OK", "is attached", "owner: quit"},
        {{"--refuse", "--exit-at-eof"}, "ERROR 68", "was refused", "Type ? for help."},
    };
    for (const Case& c : cases) {
        lines.clear();
        SimProcess sim(bus, c.arguments);
        start_link().Connect(10);
        ASSERT_TRUE(wait_until([&] { return lines.contains(c.answer); })) << c.answer;
        sim.process.closeWriteChannel();
        ASSERT_TRUE(sim.finish()) << c.answer;
        EXPECT_EQ(sim.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(sim.process.exitCode(), 0) << c.answer;
        EXPECT_TRUE(sim.output.contains(c.attached)) << sim.output.toStdString();
        EXPECT_TRUE(sim.output.contains(c.shown)) << sim.output.toStdString();
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
