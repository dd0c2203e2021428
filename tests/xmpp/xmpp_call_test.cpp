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

// The owner asks how the machine is, calls in and sees the room until the machine ends the call at
// its longest; detection comes back and the next walk sends its picture and rings the owner, whose
// answer shows the room live too.
TEST_F(XmppCalls, TheOwnerChatsCallsInUntilTheLimitAndIsAlarmed) {
    start(Machine::walk_every_ten_seconds, {}, "0.25");  // a quarter of a minute
    ASSERT_FALSE(from_machine("presence", "available").isEmpty());
    owner.say(machine_jid, "status");
    const QString status = from_machine("chat", "Status of Video Quelm");
    // Armed at the start, it is still settling.
    EXPECT_TRUE(status.contains("\\nMotion Sensing On\\n")) << status.toStdString();
    EXPECT_TRUE(status.contains("\\nMotion Detect on Delay\\n")) << status.toStdString();

    owner.command("call " + machine_jid + " owner-call");
    EXPECT_FALSE(from_machine("jmi proceed", "owner-call").isEmpty());
    EXPECT_FALSE(owner.wait_for("jingle session-accept " + machine_jid + " owner-call").isEmpty());
    EXPECT_FALSE(owner.wait_for("state connected").isEmpty());
    QElapsedTimer call;
    call.start();
    // The room at the recording's own size, live: ten seconds hold a walk through it.
    const QStringList frames = frames_after(owner, 0, 200);
    ASSERT_GE(frames.size(), 150) << "the phone decoded too few pictures";
    EXPECT_TRUE(frames.last().contains(" 320x240 ")) << frames.last().toStdString();
    EXPECT_GT(spread(means_of(frames.mid(40))), 1.5) << "the pictures do not change";
    EXPECT_FALSE(owner.wait_for("jingle session-terminate " + machine_jid + " owner-call", 45'000)
                     .isEmpty());
    EXPECT_GE(call.elapsed(), 15'000) << "ended before its time";

    // Detection comes back after the call: the snapshot reaches the phone (that it is the one on
    // disk, the bus client's test shows), then the ringing proposal.
    EXPECT_TRUE(next_picture().contains(" 320x240 "));
    const QString propose = from_machine("jmi propose", {}, 30'000);
    ASSERT_TRUE(propose.endsWith(" video")) << propose.toStdString();
    const QString alarm = propose.section(' ', 3, 3);
    const qsizetype before = owner.received("frame ").size();
    owner.command("proceed " + alarm);
    EXPECT_FALSE(owner.wait_for("jingle session-initiate " + machine_jid + ' ' + alarm).isEmpty());
    // Black (16 in video's range) until the program starts the video, then the dim room.
    EXPECT_TRUE(wait_until(
        [&] {
            const auto means = means_of(owner.received("frame ").mid(before));
            return !means.empty() && means.back() > 30;
        },
        30'000))
        << "the room stayed black";
    owner.command("hangup " + alarm);
}

}  // namespace
