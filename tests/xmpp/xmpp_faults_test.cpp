// What goes wrong between the machine and its server: a refused login, a server it cannot
// trust, a server that goes away and comes back, a server that will not take pictures, and
// commands that waited on the server too long.
#include <gtest/gtest.h>

#include "machine.h"
#include "phone.h"
#include "prosody_server.h"

namespace {

const QString machine_jid = ProsodyServer::jid("machine");
const QString from_machine = " " + machine_jid + " ";

std::string why(const Machine& machine, const ProsodyServer& server, const Phone* phone = nullptr) {
    return (phone ? phone->transcript() : std::string()) + machine.transcript() +
           server.log().toStdString();
}

// Connections the server saw so far.
int connections(const ProsodyServer& server) {
    return static_cast<int>(server.log().count("Client connected"));
}

// A server (with the upload service given), the machine on a room where someone walks once a
// minute, and the owner's phone online; the machine is logged in with the run's CA.
struct MachineWithOwner {
    explicit MachineWithOwner(ProsodyServer::Upload upload = ProsodyServer::Upload::share)
        : server(upload), machine(Machine::one_walk_a_minute), owner(server, "owner") {}
    bool start() {
        if (!server.ready() || !machine.ready() || !owner.online()) return false;
        machine.start(server.write_account_file("machine", server.ca_file()));
        return true;
    }
    std::string why() const { return ::why(machine, server, &owner); }
    ProsodyServer server;
    Machine machine;
    Phone owner;
};

struct Refusal {
    const char* name;
    bool other_ca;
    const char* password;
    const char* explanation;
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.name;
}

class RefusedLogin : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedLogin, LogsOutWithAReasonAndDoesNotRetry) {
    const Refusal& refusal = GetParam();
    ProsodyServer server;
    ASSERT_TRUE(server.ready()) << server.problem().toStdString();
    Machine machine;
    ASSERT_TRUE(machine.ready());
    const int before = connections(server);
    machine.start(server.write_account_file(
        "machine", refusal.other_ca ? server.other_ca_file() : server.ca_file(), refusal.password));

    ASSERT_TRUE(wait_until([&] { return machine.printed(refusal.explanation); }))
        << why(machine, server);
    EXPECT_FALSE(machine.printed(ProsodyServer::password)) << "the password is never printed";
    EXPECT_FALSE(machine.printed("wrong-pw")) << "the password is never printed";
    EXPECT_FALSE(server.log().contains("Authenticated as machine@")) << why(machine, server);
    spin_for(6s);
    EXPECT_LE(connections(server) - before, 1) << why(machine, server);
}

INSTANTIATE_TEST_SUITE_P(
    Xmpp, RefusedLogin,
    ::testing::Values(Refusal{"WrongPassword", false, "wrong-pw", "refused the login"},
                      Refusal{"CertificateFromAnotherCa", true, ProsodyServer::password,
                              "certificate is not trusted"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(XmppServerRestart, TheMachineReconnectsAndDeliversWhatItSentMeanwhile) {
    MachineWithOwner m;
    ASSERT_TRUE(m.start()) << m.why();
    auto& [server, machine, owner] = m;
    ASSERT_FALSE(owner.wait_for("presence" + from_machine + "available").isEmpty())
        << why(machine, server, &owner);

    // The room's one walk comes while the server is away: the alarm's messages wait in the
    // machine and reach the owner once both are back.
    server.kill();
    ASSERT_TRUE(wait_until([&] { return !machine.snapshots().isEmpty(); }, 30'000))
        << why(machine, server, &owner);
    spin_for(2s);
    ASSERT_TRUE(server.restart()) << server.problem().toStdString();
    EXPECT_FALSE(owner.wait_for("presence" + from_machine + "available", 60'000).isEmpty())
        << why(machine, server, &owner);
    EXPECT_FALSE(owner.wait_for("chat" + from_machine).isEmpty()) << why(machine, server, &owner);

    owner.say(machine_jid, "status");
    EXPECT_FALSE(owner.wait_for("chat" + from_machine + "Status of Video Quelm").isEmpty())
        << why(machine, server, &owner);
}

}  // namespace

void PrintTo(ProsodyServer::Upload upload, std::ostream* out) {
    *out << (upload == ProsodyServer::Upload::none ? "NoUploadService" : "SlotRefused");
}

namespace {

class PictureRefused : public ::testing::TestWithParam<ProsodyServer::Upload> {};

TEST_P(PictureRefused, TheOwnerIsToldTheAlarmPictureCouldNotBeSent) {
    MachineWithOwner m(GetParam());
    ASSERT_TRUE(m.start()) << m.why();
    EXPECT_FALSE(m.owner.wait_for("chat" + from_machine + "The picture could not be sent: ", 60'000)
                     .isEmpty())
        << m.why();
    EXPECT_TRUE(m.owner.received("oob").isEmpty()) << m.why();
}

INSTANTIATE_TEST_SUITE_P(Xmpp, PictureRefused,
                         ::testing::Values(ProsodyServer::Upload::none,
                                           ProsodyServer::Upload::too_small),
                         [](const auto& info) { return ::testing::PrintToString(info.param); });

TEST(XmppDelayedCommands, AStaleMotionOffIsNotObeyedAndAYoungCommandIs) {
    ProsodyServer server;
    ASSERT_TRUE(server.ready()) << server.problem().toStdString();
    Machine machine;
    ASSERT_TRUE(machine.ready());
    Phone owner(server, "owner");
    ASSERT_TRUE(owner.online()) << owner.transcript();

    // Sent while the machine was offline: one yesterday, one just now.
    owner.say(machine_jid, "motion off");
    ASSERT_TRUE(wait_until([&] { return server.age_offline_messages("machine", 86'400); }))
        << server.log().toStdString();
    owner.say(machine_jid, "call off");
    machine.start(server.write_account_file("machine", server.ca_file()));

    const QString told = owner.wait_for("chat" + from_machine + "Not obeyed: ");
    EXPECT_TRUE(told.contains("motion off")) << why(machine, server, &owner);
    EXPECT_FALSE(told.contains("call off")) << why(machine, server, &owner);
    EXPECT_TRUE(wait_until([&] {
        return !owner.received("chat" + from_machine + "Call now off").isEmpty();
    })) << why(machine, server, &owner);
    owner.say(machine_jid, "status");
    const QString status = owner.wait_for("chat" + from_machine + "Status of Video Quelm");
    EXPECT_FALSE(status.contains("\\nMotion Sensing Off\\n")) << why(machine, server, &owner);
    EXPECT_TRUE(status.contains("\\nCalling Out Disabled\\n")) << why(machine, server, &owner);
    EXPECT_TRUE(owner.received("chat" + from_machine + "Motion Sensing Now OFF").isEmpty());
}

}  // namespace
