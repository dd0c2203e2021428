// The program headless on a recorded room with its own XMPP account, against a real server; the
// owner and a stranger are independent clients. Everything is checked by what their phones
// received and the files the program left.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "machine.h"
#include "phone.h"
#include "prosody_server.h"

namespace {

const QString machine_jid = ProsodyServer::jid("machine");
const QString from_machine = " " + machine_jid + " ";

struct XmppOwner : ::testing::Test {
    void start(Machine::Scene scene) {
        ASSERT_TRUE(server.ready()) << server.problem().toStdString();
        machine = std::make_unique<Machine>(scene);
        ASSERT_TRUE(machine->ready());
        ASSERT_TRUE(owner.online()) << owner.transcript();
        machine->start(server.write_account_file("machine", server.ca_file()));
        ASSERT_FALSE(owner.wait_for("presence" + from_machine + "available").isEmpty()) << why();
    }
    // Downloads the picture of the next message with a URL; the phone's report of it.
    QString next_picture() {
        const QString oob = owner.wait_for("oob" + from_machine, 60'000);
        if (oob.isEmpty()) return {};
        owner.command("download " + oob.section(' ', 2));
        return owner.wait_for("downloaded ");
    }
    std::string why() const {
        return owner.transcript() + machine->transcript() + server.log().toStdString();
    }

    ProsodyServer server;
    Phone owner{server, "owner"};
    std::unique_ptr<Machine> machine;
};

TEST_F(XmppOwner, TheOwnerChatsIsAlarmedAnswersAndCallsIn) {
    start(Machine::walk_every_half_minute);

    owner.say(machine_jid, "status");
    const QString status = owner.wait_for("chat" + from_machine + "Status of Video Quelm");
    // Armed at the start, it is still settling.
    EXPECT_TRUE(status.contains("\\nMotion Sensing on Delay\\n")) << why();
    EXPECT_TRUE(status.contains("\\nIM Pic Enabled\\nAccept Calls w/Video Enabled\\n")) << why();

    // Motion: the snapshot itself reaches the phone, then a chat line and the ringing proposal.
    const QString alarm_picture = next_picture();
    ASSERT_FALSE(machine->snapshots().isEmpty()) << why();
    const QString snapshot = machine->snapshots().first();
    EXPECT_TRUE(alarm_picture.endsWith(" 320x240 " + machine->fingerprint(snapshot))) << why();
    const QString propose = owner.wait_for("jmi propose" + from_machine);
    EXPECT_TRUE(propose.endsWith(" video")) << why();
    EXPECT_GE(owner.received("chat" + from_machine).size(), 2)
        << "a chat line rings apps that cannot";

    // The owner answers and sees the room now; the call ends by itself.
    const QString call = propose.section(' ', 3, 3);
    owner.command("ringing " + call);
    owner.command("proceed " + call);
    EXPECT_TRUE(next_picture().contains(" 320x240 ")) << why();
    EXPECT_FALSE(owner.wait_for("jmi finish" + from_machine + call).isEmpty()) << why();

    // With detection off, the owner calls in and is shown the room.
    owner.say(machine_jid, "motion off");
    EXPECT_FALSE(owner.wait_for("chat" + from_machine + "Motion Sensing Now OFF").isEmpty())
        << why();
    // The machine takes a call again once the last one is wound up, when the camera comes back
    // 2 s after the end; a call that rings before then is left ringing.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    owner.command("propose " + machine_jid + " owner-call");
    EXPECT_FALSE(owner.wait_for("jmi proceed" + from_machine + "owner-call").isEmpty()) << why();
    EXPECT_TRUE(next_picture().contains(" 320x240 ")) << why();
    EXPECT_FALSE(owner.wait_for("jmi finish" + from_machine + "owner-call").isEmpty()) << why();

    // Armed again, detection settles and the next walk through the room rings again.
    owner.say(machine_jid, "motion on");
    EXPECT_FALSE(owner.wait_for("jmi propose" + from_machine, 60'000).isEmpty()) << why();
}

TEST_F(XmppOwner, AStrangerIsNeitherObeyedNorAnsweredNorShownTheRoom) {
    start(Machine::quiet_room);
    Phone stranger(server, "stranger");
    ASSERT_TRUE(stranger.online()) << stranger.transcript();

    stranger.say(machine_jid, "motion off");
    stranger.command("subscribe " + machine_jid);
    stranger.command("propose " + machine_jid + " stranger-call");
    spin_for(3s);
    stranger.command("retract " + machine_jid + " stranger-call");

    owner.say(machine_jid, "status");
    EXPECT_TRUE(owner.wait_for("chat" + from_machine + "Status of Video Quelm")
                    .contains("\\nMotion Sensing On\\n"))
        << why();
    spin_for(2s);
    for (const char* kind :
         {"chat", "oob", "jmi", "subscribed", "presence machine@localhost available"})
        EXPECT_TRUE(stranger.received(kind).isEmpty()) << kind << '\n' << stranger.transcript();
    EXPECT_TRUE(owner.received("oob").isEmpty()) << "the stranger's call never reached the camera";
}

}  // namespace
