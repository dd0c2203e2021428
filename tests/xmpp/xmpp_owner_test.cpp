// The program headless on a recorded room with its own XMPP account, against a real server; the
// owner and a stranger are independent clients. Everything is checked by what their phones
// received and the files the program left.
#include <chrono>
#include <thread>

#include "xmpp_test.h"

namespace {

using XmppOwner = XmppTest;

TEST_F(XmppOwner, TheOwnerChatsIsAlarmedAnswersAndCallsIn) {
    start(Machine::walk_every_half_minute);
    ASSERT_FALSE(from_machine("presence", "available").isEmpty());

    owner.say(machine_jid, "status");
    const QString status = from_machine("chat", "Status of Video Quelm");
    // Armed at the start, it is still settling.
    EXPECT_TRUE(status.contains("\\nMotion Sensing On\\n"));
    EXPECT_TRUE(status.contains("\\nMotion Detect on Delay\\n"));

    // Motion: the snapshot reaches the phone (that it is the one on disk, the bus client's test
    // shows), then the ringing proposal.
    EXPECT_TRUE(next_picture().contains(" 320x240 "));
    const QString propose = from_machine("jmi propose");
    EXPECT_TRUE(propose.endsWith(" video"));

    // The owner answers and the call carries the room live (xmpp_call_test.cpp looks at the
    // pictures); the owner hangs up.
    const QString call = propose.section(' ', 3, 3);
    owner.command("ringing " + call);
    owner.command("proceed " + call);
    EXPECT_FALSE(owner.wait_for("state connected").isEmpty());
    owner.command("hangup " + call);

    // With detection off, the owner calls in and is shown the room.
    owner.say(machine_jid, "motion off");
    EXPECT_FALSE(from_machine("chat", "Motion Sensing Now OFF").isEmpty());
    // The machine takes a call again once the last one is wound up, when the camera comes back
    // 2 s after the end; a call that rings before then is left ringing.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    owner.command("call " + machine_jid + " owner-call");
    EXPECT_FALSE(from_machine("jmi proceed", "owner-call").isEmpty());
    EXPECT_FALSE(owner.wait_for("state connected").isEmpty());
    owner.command("hangup owner-call");
}

// The owner's phone writes a thousand commands as fast as it can and the server delivers them as
// fast: each is answered once, in order. (Two thousand at once are the virtual-time table's.)
TEST_F(XmppOwner, EveryCommandOfABurstIsAnsweredOnce) {
    start(Machine::quiet_room);
    ASSERT_FALSE(from_machine("presence", "available").isEmpty());
    constexpr int burst = 1000;
    owner.command("burst " + QString::number(burst) + ' ' + machine_jid);
    EXPECT_TRUE(
        wait_until([&] { return all_from_machine("chat", "Alarm now").size() >= burst; }, 45'000));
    spin_for(1s);
    const QStringList replies = all_from_machine("chat", "Alarm now");
    ASSERT_EQ(replies.size(), burst);
    for (int n = 0; n < burst; ++n)
        ASSERT_TRUE(replies[n].endsWith(n % 2 ? "Alarm now off" : "Alarm now on")) << n;
}

TEST_F(XmppOwner, AStrangerIsNeitherObeyedNorAnsweredNorShownTheRoom) {
    start(Machine::quiet_room);
    ASSERT_FALSE(from_machine("presence", "available").isEmpty());
    Phone stranger(server, "stranger");
    ASSERT_TRUE(stranger.online()) << stranger.transcript();

    stranger.say(machine_jid, "motion off");
    stranger.command("subscribe " + machine_jid);
    stranger.command("propose " + machine_jid + " stranger-call");
    spin_for(3s);
    stranger.command("retract " + machine_jid + " stranger-call");

    owner.say(machine_jid, "status");
    EXPECT_TRUE(from_machine("chat", "Status of Video Quelm").contains("\\nMotion Sensing On\\n"));
    spin_for(2s);
    for (const char* kind :
         {"chat", "oob", "jmi", "subscribed", "presence machine@localhost available"})
        EXPECT_TRUE(stranger.received(kind).isEmpty()) << kind << '\n' << stranger.transcript();
    EXPECT_TRUE(owner.received("oob").isEmpty()) << "the stranger's call never reached the camera";
}

}  // namespace
