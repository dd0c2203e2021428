// The vq-skype-sim program on a private bus. The whole conversation with it, ended by its script,
// is the whole-program test's; here, that it stops at once, and says why, when it cannot run.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "child_process.h"
#include "private_bus.h"
#include "qt_printers.h"
#include "scripted_client.h"

namespace {

TEST(SimProcess, ItStopsAtOnceWhenItCannotRun) {
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << "no dbus-daemon to start";
    ScriptedClient holder(bus.connect());
    ASSERT_TRUE(holder.started());
    QTemporaryDir folder;
    QFile bad_script(folder.filePath("bad.script"));
    ASSERT_TRUE(bad_script.open(QIODevice::WriteOnly));
    bad_script.write("# fine\nten call\n");
    bad_script.close();
    struct Case {
        QStringList arguments;
        int exit_code;
        QString says;
    };
    const Case cases[] = {
        {{}, 1, "com.Skype.API is already on the bus: another client is running"},
        {{"--script", bad_script.fileName()}, 2, "line 2: a time in seconds comes first"},
        {{"--script", folder.filePath("missing")}, 2, "No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says.toStdString());
        ChildProcess sim(QStringLiteral(VQ_SKYPE_SIM), c.arguments, bus.address());
        ASSERT_TRUE(sim.finish());
        EXPECT_EQ(sim.process.exitCode(), c.exit_code);
        EXPECT_TRUE(sim.errors.contains(c.says));
    }
}

}  // namespace
