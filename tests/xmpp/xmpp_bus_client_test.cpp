// The XMPP client as its own program on a private session bus, and the program talking to it
// over the bus as it would to any client there.
#include "private_bus.h"
#include "xmpp_test.h"

using XmppBusClient = XmppTest;

TEST_F(XmppBusClient, TheProgramOnTheBusAnswersTheOwnerAndSendsTheAlarmPicture) {
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << "no dbus-daemon to start";
    machine = std::make_unique<Machine>(Machine::walk_every_ten_seconds);
    ASSERT_TRUE(machine->ready());
    machine->run(VQ_XMPP_CLIENT,
                 {"--xmpp-config", server.write_account_file("machine", server.ca_file()),
                  "--camera", machine->clip()},
                 bus.address());
    ASSERT_TRUE(bus.wait_for_client());
    machine->run(VQ_PROGRAM,
                 {"--headless", "--arm", "--camera", machine->clip(), "--skype", "dbus",
                  "--app-folder", machine->app()},
                 bus.address());

    // A command that comes before the program has named itself to the client finds no one to
    // obey it, as with any client: the owner asks again.
    QString status;
    for (int tries = 0; tries < 3 && status.isEmpty(); ++tries) {
        owner.say(machine_jid, "status");
        status = from_machine("chat", "Status of Video Quelm", 10'000);
    }
    EXPECT_FALSE(status.isEmpty());
    const QString picture = next_picture();
    ASSERT_FALSE(machine->snapshots().isEmpty());
    EXPECT_TRUE(picture.endsWith(" 320x240 " + machine->fingerprint(machine->snapshots().first())));
}
