// What goes wrong between the machine and its server: a refused login, a server it cannot
// trust or that offers no encryption, a server that goes away and comes back, a server that will
// not take pictures. (Commands that waited on the server too long are the owner side's tables'.)
#include "xmpp_test.h"

namespace {

using RefusedLogin = XmppTest;

// A wrong password, and a server whose certificate another CA signed.
TEST_F(RefusedLogin, LogsOutWithAReasonAndDoesNotRetry) {
    const auto connections = [this] { return server.log().count("Client connected"); };
    struct Refusal {
        QString ca_file;
        const char* password;
        const char* explanation;
    };
    for (const Refusal& refusal :
         {Refusal{server.ca_file(), "wrong-pw", "refused the login"},
          Refusal{server.other_ca_file(), ProsodyServer::password, "certificate is not trusted"}}) {
        SCOPED_TRACE(refusal.explanation);
        const qsizetype before = connections();
        start(Machine::quiet_room,
              server.write_account_file("machine", refusal.ca_file, refusal.password));
        ASSERT_TRUE(wait_until([&] { return machine->printed(refusal.explanation); }));
        EXPECT_FALSE(machine->printed(ProsodyServer::password)) << "the password is never printed";
        EXPECT_FALSE(machine->printed("wrong-pw")) << "the password is never printed";
        EXPECT_FALSE(server.log().contains("Authenticated as machine@"));
        spin_for(6s);
        EXPECT_LE(connections() - before, 1);
    }
}

struct XmppServerRestart : XmppTest, ::testing::WithParamInterface<bool> {};

// The room's one walk comes while the server is away: the alarm's picture (the one on disk) and a
// line saying when it was taken reach the owner once both are back, within seconds of the
// machine's new login; also when the program itself was restarted meanwhile.
TEST_P(XmppServerRestart, AnAlarmWhileTheServerIsAwayReachesTheOwnerWhenItIsBack) {
    const bool program_restarted = GetParam();
    start(Machine::one_walk_a_minute);
    ASSERT_FALSE(from_machine("presence", "available").isEmpty());

    server.kill();
    ASSERT_TRUE(wait_until([&] { return !machine->snapshots().isEmpty(); }, 30'000));
    spin_for(2s);
    if (program_restarted) {
        machine->program().process.terminate();
        ASSERT_TRUE(machine->program().finish());
        machine->start(server.write_account_file("machine", server.ca_file()));
    }
    const QString snapshot = machine->snapshots().first();
    ASSERT_TRUE(server.start()) << server.problem().toStdString();
    ASSERT_FALSE(from_machine("presence", "available", 40'000).isEmpty());

    EXPECT_FALSE(from_machine("chat", "Picture of the alarm at ", 5'000).isEmpty());
    const QString picture = next_picture();
    EXPECT_TRUE(picture.endsWith(' ' + machine->fingerprint(snapshot))) << picture.toStdString();
    EXPECT_TRUE(all_from_machine("chat", "The picture could not be sent").isEmpty());

    owner.say(machine_jid, "status");
    EXPECT_FALSE(from_machine("chat", "Status of Video Quelm", 5'000).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Xmpp, XmppServerRestart, ::testing::Bool(), [](const auto& info) {
    return info.param ? "ProgramRestartedMeanwhile" : "ProgramRunning";
});

// A server that offers no TLS never gets the password, and is not tried again.
TEST(XmppNoEncryption, TheMachineSaysSoAndDoesNotRetry) {
    ProsodyServer server(ProsodyServer::Upload::none, ProsodyServer::Encryption::none);
    ASSERT_TRUE(server.ready()) << server.problem().toStdString();
    Machine machine;
    ASSERT_TRUE(machine.ready());
    machine.start(server.write_account_file("machine", server.ca_file()));
    EXPECT_TRUE(wait_until([&] { return machine.printed("the server offers no encryption"); }))
        << machine.transcript();
    spin_for(3s);
    EXPECT_EQ(server.log().count("Client connected"), 1) << server.log().toStdString();
    EXPECT_FALSE(machine.printed(ProsodyServer::password));
}

// The server's refusal of a slot as the wire carries it (the other refusals are the tables').
struct PictureRefused : XmppTest {
    PictureRefused() : XmppTest(ProsodyServer::Upload::too_small) {}
};

TEST_F(PictureRefused, TheOwnerIsToldTheAlarmPictureCouldNotBeSent) {
    start(Machine::one_walk_a_minute);
    EXPECT_FALSE(from_machine("chat", "The picture could not be sent: ").isEmpty());
    EXPECT_TRUE(owner.received("oob").isEmpty());
}

}  // namespace
