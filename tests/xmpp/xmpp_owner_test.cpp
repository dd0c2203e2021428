// The program headless on a recorded room with its own XMPP account, against a real server; the
// owner and a stranger are independent clients. Everything is checked by what their phones
// received and the files the program left.
#include "xmpp_test.h"

namespace {

using XmppOwner = XmppTest;

// The owner's phone writes a thousand commands as fast as it can and the server delivers them as
// fast: each is answered once, in order. (Two thousand at once are the virtual-time table's.) The
// bound is only for liveness: how fast the answers come is the delivery benchmark's.
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

// A stranger's commands, subscription and calls (proposed, or a bare session-initiate) get
// nothing; the owner's audio-only call is answered, connected, and the machine's sound (silence:
// no sound card here) reaches the phone, with no picture where none was asked for.
TEST_F(XmppOwner, AStrangerGetsNothingAndTheOwnersVoiceCallIsAnswered) {
    start(Machine::quiet_room);
    ASSERT_FALSE(from_machine("presence", "available").isEmpty());
    const QString machine_full = owner.wait_for("resource " + machine_jid).section(' ', 1);
    Phone stranger(server, "stranger");
    ASSERT_TRUE(stranger.online()) << stranger.transcript();

    stranger.say(machine_jid, "motion off");
    stranger.command("subscribe " + machine_jid);
    stranger.command("call " + machine_jid + " stranger-call");
    stranger.command("initiate " + machine_full + " stranger-direct");
    spin_for(5s);
    owner.say(machine_jid, "status");
    EXPECT_TRUE(from_machine("chat", "Status of Video Quelm").contains("\\nMotion Sensing On\\n"));
    for (const char* kind :
         {"chat", "oob", "jmi", "jingle session-accept", "frame", "state connected", "subscribed",
          "presence machine@localhost available"})
        EXPECT_TRUE(stranger.received(kind).isEmpty()) << kind << '\n' << stranger.transcript();

    owner.command("call " + machine_jid + " voice-call audio");
    EXPECT_FALSE(from_machine("jmi proceed", "voice-call").isEmpty());
    EXPECT_FALSE(owner.wait_for("jingle session-accept " + machine_jid + " voice-call").isEmpty());
    EXPECT_FALSE(owner.wait_for("audio ").isEmpty());
    EXPECT_TRUE(owner.received("frame ").isEmpty());
    owner.command("hangup voice-call");
}

}  // namespace
