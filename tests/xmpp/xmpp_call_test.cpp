// Calls with live video over Jingle: the program headless on a recorded room with its XMPP
// account, the owner's phone (phone.py) speaking JMI and Jingle with its own webrtcbin, which
// decodes what the machine sends. What the phone decoded is what the owner saw.
#include "xmpp_test.h"

namespace {

using XmppCalls = XmppTest;

// The frames the phone decoded since line `from` of its output: their means.
std::vector<double> means_of(const QStringList& frames) {
    std::vector<double> means;
    for (const QString& frame : frames) means.push_back(frame.section(' ', 3, 3).toDouble());
    return means;
}

double spread(const std::vector<double>& values) {
    if (values.empty()) return 0;
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return *high - *low;
}

// Waits for `count` more decoded pictures and returns all the phone has decoded since `from`.
QStringList frames_after(Phone& phone, qsizetype from, int count, int limit_ms = 30'000) {
    wait_until([&] { return phone.received("frame ").size() >= from + count; }, limit_ms);
    return phone.received("frame ").mid(from);
}

TEST_F(XmppCalls, TheOwnerCallsInSeesTheRoomHangsUpAndDetectionComesBack) {
    start(Machine::walk_every_ten_seconds);
    ASSERT_FALSE(from_machine("presence", "available").isEmpty());

    owner.command("call " + machine_jid + " owner-call");
    EXPECT_FALSE(from_machine("jmi proceed", "owner-call").isEmpty());
    EXPECT_FALSE(owner.wait_for("jingle session-accept " + machine_jid + " owner-call").isEmpty());
    EXPECT_FALSE(owner.wait_for("state connected").isEmpty());
    // The room at the recording's own size, live: ten seconds hold a walk through it.
    const QStringList frames = frames_after(owner, 0, 200);
    ASSERT_GE(frames.size(), 150) << "the phone decoded too few pictures";
    EXPECT_TRUE(frames.last().contains(" 320x240 ")) << frames.last().toStdString();
    EXPECT_GT(spread(means_of(frames.mid(40))), 1.5) << "the pictures do not change";

    owner.command("hangup owner-call");
    // Detection comes back after the call and the next walk rings the owner.
    const QString propose = from_machine("jmi propose", {}, 60'000);
    EXPECT_FALSE(propose.isEmpty());

    // The alarm's call, accepted on the phone, shows the room live too.
    const QString call = propose.section(' ', 3, 3);
    const qsizetype before = owner.received("frame ").size();
    owner.command("proceed " + call);
    EXPECT_FALSE(owner.wait_for("jingle session-initiate " + machine_jid + ' ' + call).isEmpty());
    // Black (16 in video's range) until the program starts the video, then the dim room.
    EXPECT_TRUE(wait_until(
        [&] {
            const auto means = means_of(owner.received("frame ").mid(before));
            return !means.empty() && means.back() > 30;
        },
        30'000))
        << "the room stayed black";
    owner.command("hangup " + call);
}

TEST_F(XmppCalls, StrangersGetNoMediaAndAnAudioOnlyCallIsAnswered) {
    start(Machine::quiet_room);
    ASSERT_FALSE(from_machine("presence", "available").isEmpty());
    const QString machine_full = owner.wait_for("resource " + machine_jid).section(' ', 1);
    Phone stranger(server, "stranger");
    ASSERT_TRUE(stranger.online()) << stranger.transcript();

    stranger.command("call " + machine_jid + " stranger-call");
    stranger.command("initiate " + machine_full + " stranger-direct");
    spin_for(5s);
    EXPECT_TRUE(stranger.received("jmi proceed").isEmpty()) << stranger.transcript();
    EXPECT_TRUE(stranger.received("jingle session-accept").isEmpty()) << stranger.transcript();
    EXPECT_TRUE(stranger.received("frame ").isEmpty()) << stranger.transcript();
    EXPECT_TRUE(stranger.received("state connected").isEmpty()) << stranger.transcript();

    // The owner's audio-only call: answered, connected, and the machine's sound (silence: no
    // sound card here) reaches the phone; no picture is sent where none was asked for.
    owner.command("call " + machine_jid + " voice-call audio");
    EXPECT_FALSE(from_machine("jmi proceed", "voice-call").isEmpty());
    EXPECT_FALSE(owner.wait_for("jingle session-accept " + machine_jid + " voice-call").isEmpty());
    EXPECT_FALSE(owner.wait_for("audio ").isEmpty());
    EXPECT_TRUE(owner.received("frame ").isEmpty());
    owner.command("hangup voice-call");
}

}  // namespace

namespace {
// "Max Conn Minutes" ends a call the owner leaves open: the machine ends the Jingle session.
TEST_F(XmppCalls, MaxConnMinutesEndsALongCall) {
    machine = std::make_unique<Machine>(Machine::quiet_room);
    ASSERT_TRUE(machine->ready());
    // The home settings with calls cut at a quarter of a minute.
    ASSERT_TRUE(write_settings_file(machine->app(), {ProsodyServer::jid("owner"),
                                                     "30",
                                                     "30",
                                                     "2",
                                                     "0.25",
                                                     "",
                                                     "1",
                                                     "1",
                                                     "1",
                                                     "0",
                                                     "1",
                                                     "False",
                                                     "False",
                                                     "False",
                                                     "True",
                                                     "",
                                                     "4",
                                                     "316",
                                                     "4",
                                                     "236"}));
    machine->start(server.write_account_file("machine", server.ca_file()));
    ASSERT_FALSE(from_machine("presence", "available").isEmpty());

    owner.command("call " + machine_jid + " long-call");
    ASSERT_FALSE(owner.wait_for("state connected").isEmpty());
    QElapsedTimer call;
    call.start();
    EXPECT_FALSE(frames_after(owner, 0, 20).isEmpty());
    EXPECT_FALSE(
        owner.wait_for("jingle session-terminate " + machine_jid + " long-call", 45'000).isEmpty());
    EXPECT_GE(call.elapsed(), 10'000) << "ended before its time";
}
}  // namespace
