// The XMPP client as its own program on a private session bus, and the program talking to it
// over the bus as it would to any client there.
#include <gtest/gtest.h>

#include <QDBusConnectionInterface>

#include "machine.h"
#include "phone.h"
#include "private_bus.h"
#include "prosody_server.h"

TEST(XmppBusClient, TheProgramOnTheBusAnswersTheOwnerAndSendsTheAlarmPicture) {
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << "no dbus-daemon to start";
    ProsodyServer server;
    ASSERT_TRUE(server.ready()) << server.problem().toStdString();
    Machine machine(Machine::walk_every_ten_seconds);
    ASSERT_TRUE(machine.ready());
    Phone owner(server, "owner");
    ASSERT_TRUE(owner.online()) << owner.transcript();
    const QString machine_jid = ProsodyServer::jid("machine");
    const QString from_machine = " " + machine_jid + " ";
    const auto why = [&] { return owner.transcript() + machine.transcript(); };

    machine.run(VQ_XMPP_CLIENT,
                {"--xmpp-config", server.write_account_file("machine", server.ca_file()),
                 "--camera", machine.clip()},
                bus.address());
    ASSERT_TRUE(wait_until([&] {
        QDBusConnection connection = bus.connect();
        const bool there = connection.interface()->isServiceRegistered("com.Skype.API");
        bus.disconnect(connection);
        return there;
    })) << why();
    machine.run(VQ_PROGRAM,
                {"--headless", "--arm", "--camera", machine.clip(), "--skype", "dbus",
                 "--app-folder", machine.app()},
                bus.address());

    // A command that comes before the program has named itself to the client finds no one to
    // obey it, as with any client: the owner asks again.
    QString status;
    for (int tries = 0; tries < 3 && status.isEmpty(); ++tries) {
        owner.say(machine_jid, "status");
        status = owner.wait_for("chat" + from_machine + "Status of Video Quelm", 10'000);
    }
    EXPECT_FALSE(status.isEmpty()) << why();

    const QString oob = owner.wait_for("oob" + from_machine, 60'000);
    ASSERT_FALSE(oob.isEmpty()) << why();
    owner.command("download " + oob.section(' ', 2));
    const QString picture = owner.wait_for("downloaded ");
    ASSERT_FALSE(machine.snapshots().isEmpty()) << why();
    EXPECT_TRUE(picture.endsWith(" 320x240 " + machine.fingerprint(machine.snapshots().first())))
        << why();
}
