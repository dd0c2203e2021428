// The call's media for real: GstCallMedia against the phone's webrtcbin (webrtc_peer.py) on
// this machine, the descriptions and candidates passed by the test as the Jingle session passes
// them. What the phone decodes is what the owner would see.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>

#include "gst_test_support.h"
#include "media_peer.h"
#include "platform/call/gst_call_media_factory.h"
#include "platform/call/video_codec.h"

namespace {
// The room: a camera whose picture brightens step by step, so that frames that show it change
// over time; the still (the last picture the program took) is white, and smaller.
struct RoomCamera {
    bool can_open = true;
    bool sends = true;
    int opened = 0;
    int closed = 0;
    QElapsedTimer clock;

    CallPictures pictures() {
        clock.start();
        return CallPictures{[this] {
                                ++opened;
                                return can_open;
                            },
                            [this]() -> std::optional<QImage> {
                                if (!sends) return std::nullopt;
                                QImage picture(640, 480, QImage::Format_RGB32);
                                const int level = 60 + int(clock.elapsed() / 25 % 120);
                                picture.fill(QColor(level, level, level));
                                return picture;
                            },
                            [this] { ++closed; },
                            [] {
                                QImage still(320, 240, QImage::Format_RGB32);
                                still.fill(Qt::white);
                                return still;
                            }};
    }
};

double spread(const std::vector<PeerFrame>& frames) {
    const auto [low, high] = std::minmax_element(
        frames.begin(), frames.end(), [](const auto& a, const auto& b) { return a.mean < b.mean; });
    return frames.empty() ? 0 : high->mean - low->mean;
}

bool all_of_size(const std::vector<PeerFrame>& frames, const QString& size) {
    return std::all_of(frames.begin(), frames.end(), [&](const auto& f) { return f.size == size; });
}

bool has_h264_encoder() {
    const auto codecs = video_codecs::available();
    return std::any_of(codecs.begin(), codecs.end(),
                       [](const auto& c) { return c.name == "H264"; });
}

// The calls a phone may make or take: which side offers, and how the phone's media is set up.
struct Way {
    const char* name;
    bool machine_calls;
    QStringList peer;  // the phone's own options
    const char* codec;
    QString microphone = {};  // one that fails, as a pipeline description
};
void PrintTo(const Way& way, std::ostream* out) {
    *out << way.name;
}
class CallMediaWays : public ::testing::TestWithParam<Way> {};

// Either side may offer: the machine when the alarm calls, the phone when the owner calls in; a
// phone that does not bundle (Dino) answers with a transport per stream; one that takes H.264
// alone gets H.264 (VP8 whenever it takes that too); a microphone that fails, at once or during
// the call, is left out. Each sees the room only once allowed.
TEST_P(CallMediaWays, ConnectsAndShowsTheRoomOnlyOnceAllowed) {
    const Way& way = GetParam();
    if (QString(way.codec) == "H264" && !has_h264_encoder())
        GTEST_SKIP() << "no H.264 encoder here (gstreamer1.0-plugins-ugly)";
    RoomCamera room;
    auto media = std::make_unique<GstCallMedia>(CallMedia::Config{}, room.pictures());
    GstCallMedia* gst = media.get();
    if (!way.microphone.isEmpty())
        media->make_microphone = [description = way.microphone.toUtf8()] {
            return gst_parse_bin_from_description(description.constData(), TRUE, nullptr);
        };
    MediaCall call(std::move(media), way.peer);
    call.start(way.machine_calls);
    ASSERT_TRUE(call.wait_connected())
        << call.failure.toStdString() << call.peer.errors().toStdString();
    EXPECT_EQ(gst->video_codec(), way.codec);

    // Connected, but the owner may not see the room yet: black, and the camera left alone.
    ASSERT_TRUE(call.wait([&] { return call.frames.size() >= 5; }));
    EXPECT_LT(std::max_element(call.frames.begin(), call.frames.end(),
                               [](const auto& a, const auto& b) { return a.mean < b.mean; })
                  ->mean,
              20);
    EXPECT_EQ(room.opened, 0);

    call.media->start_sending_video();
    EXPECT_EQ(room.opened, 1);
    // The first pictures after the switch may still be black ones in flight (more of them when the
    // encoder is slow): the room's begin with the first bright one.
    const size_t before = call.frames.size();
    const auto room_frames = [&] {
        const auto frames = call.frames_since(before);
        return std::vector<PeerFrame>(
            std::find_if(frames.begin(), frames.end(), [](const auto& f) { return f.mean > 20; }),
            frames.end());
    };
    ASSERT_TRUE(call.wait([&] { return room_frames().size() >= 20; }));
    EXPECT_TRUE(all_of_size(room_frames(), "640x480"));
    EXPECT_GT(spread(room_frames()), 10) << "the pictures do not change over time";
    // The phone names the codec it decodes once its decoder is made, which may come after the
    // pictures under load.
    EXPECT_TRUE(call.wait([&] {
        return call.peer.lines().contains(QString("codec ") + way.codec);
    })) << call.peer.lines().join(" | ").toStdString();
    // No sound card here: the call carries silence and still connects. With a failing microphone,
    // several seconds of it (the phone reports every 50th packet of 20 ms).
    const int packets = way.microphone.isEmpty() ? 0 : 150;
    EXPECT_TRUE(call.wait([&] { return call.audio_packets > packets; }, 15'000))
        << call.audio_packets;
    EXPECT_TRUE(call.failure.isEmpty()) << call.failure.toStdString();
    if (qEnvironmentVariableIsSet("VQ_CALL_LOOPBACK_ONLY")) {
        EXPECT_TRUE(call.peer.lines().filter("127.0.0.1").size() > 0 ||
                    call.peer.lines().filter("::1").size() > 0);
    }

    call.media->stop();
    EXPECT_EQ(room.closed, 1) << "the camera was not given back";
}
INSTANTIATE_TEST_SUITE_P(
    CallMedia, CallMediaWays,
    ::testing::Values(
        Way{"MachineCalls", true, {}, "VP8"}, Way{"PhoneCalls", false, {}, "VP8"},
        Way{"MachineCallsUnbundled", true, {"--no-bundle"}, "VP8"},
        Way{"MachineCallsH264", true, {"--video-codec", "H264"}, "H264"},
        Way{"PhoneCallsH264", false, {"--video-codec", "H264"}, "H264"},
        Way{"MicrophoneWillNotOpen", true, {}, "VP8", "pulsesrc server=/nonexistent/pulse"},
        Way{"MicrophoneFailsOnceRunning",
            true,
            {},
            "VP8",
            "filesrc location=/proc/self/exe ! wavparse"}),
    [](const auto& info) { return info.param.name; });

TEST(CallMedia, AudioOnlyOfferIsAnsweredWithoutVideo) {
    RoomCamera room;
    MediaCall call({}, room.pictures(), {"--audio-only"});
    call.start(false);
    ASSERT_TRUE(call.wait_connected()) << call.failure.toStdString();
    call.media->start_sending_video();
    EXPECT_TRUE(call.wait([&] { return call.audio_packets > 0; }, 5'000));
    EXPECT_TRUE(call.frames.empty());
    EXPECT_EQ(room.opened, 0);
}

TEST(CallMedia, TheLastPictureStandsInForACameraThatCannotBeHad) {
    struct Case {
        const char* name;
        bool can_open;
        bool sends;
    };
    for (const Case& c : {Case{"camera busy", false, true}, Case{"camera silent", true, false}}) {
        RoomCamera room;
        room.can_open = c.can_open;
        room.sends = c.sends;
        MediaCall call({}, room.pictures());
        call.start(true);
        ASSERT_TRUE(call.wait_connected()) << c.name << ' ' << call.failure.toStdString();
        call.media->start_sending_video();
        const size_t before = call.frames.size();
        ASSERT_TRUE(call.wait([&] {
            const auto frames = call.frames_since(before);
            return !frames.empty() && frames.back().mean > 200;
        })) << c.name;
        EXPECT_EQ(call.frames.back().size, "320x240") << c.name;
        EXPECT_TRUE(call.connected && call.failure.isEmpty()) << c.name;
        call.media->stop();
        EXPECT_EQ(room.closed, c.can_open ? 1 : 0) << c.name;
    }
}

// A phone that vanishes mid-call (no network, switched off) says nothing: the call ends once
// nothing has been heard from it for a while, so that the machine watches again rather than
// holding the camera for "Max Conn Minutes".
TEST(CallMedia, APhoneThatVanishesEndsTheCall) {
    RoomCamera room;
    MediaCall call({}, room.pictures());
    call.start(false);
    ASSERT_TRUE(call.wait_connected()) << call.failure.toStdString();
    call.media->start_sending_video();
    ASSERT_TRUE(call.wait([&] { return call.frames.size() >= 10; }));
    call.peer.vanish();
    EXPECT_TRUE(call.wait([&] { return !call.failure.isEmpty(); }, 60'000));
    EXPECT_TRUE(call.failure.contains("nothing heard")) << call.failure.toStdString();
}

// A call's webrtcbin, with its sockets and threads, goes with the call: a machine that takes
// calls for months must not run out of files. (GStreamer's PulseAudio device probe keeps three
// of its own each time, which is why a few may remain.)
TEST(CallMedia, CallsLeaveNoSocketsBehind) {
    const auto open_files = [] {
        return QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size();
    };
    const auto one_call = [] {
        RoomCamera room;
        MediaCall call({}, room.pictures());
        call.start(false);
        EXPECT_TRUE(call.wait_connected()) << call.failure.toStdString();
        call.media->stop();
    };
    one_call();  // GStreamer's own first-time openings
    const qsizetype before = open_files();
    for (int n = 0; n < 3; ++n) one_call();
    EXPECT_LT(open_files() - before, 3 * 6) << "files left open by three calls";
}

// webrtcbin takes any certificate in the DTLS handshake: the check against the fingerprint the
// phone signalled is ours, and without it a man in the middle would see the room.
TEST(CallMedia, APeerWhoseCertificateIsNotTheSignalledOneGetsNoCall) {
    const QString another_digest = "a=fingerprint:sha-256 " + QString("AB:").repeated(31) + "AB";
    const struct {
        const char* name;
        const char* pattern;  // in the phone's description, changed on its way
        QString replacement;
        const char* failure;
    } cases[] = {
        // Every media line names the same certificate: all are changed alike.
        {"fingerprint of another certificate", "a=fingerprint:sha-256 \\S+", another_digest,
         "does not match"},
        {"no fingerprint", "a=fingerprint:[^\r\n]*\r?\n", "", "no DTLS fingerprint"},
    };
    for (const auto& c : cases) {
        RoomCamera room;
        MediaCall call({}, room.pictures());
        call.tamper = [&c](QString sdp) {
            return sdp.replace(QRegularExpression(c.pattern), c.replacement);
        };
        call.start(false);
        EXPECT_FALSE(call.wait_connected()) << c.name;
        EXPECT_TRUE(call.failure.contains(c.failure))
            << c.name << ": " << call.failure.toStdString();
        call.media->start_sending_video();
        EXPECT_EQ(room.opened, 0) << c.name;
    }
}

// Where loopback is the only network, the agents must offer loopback candidates themselves:
// the two-way call above, run again in a network namespace of its own with only `lo`.
TEST(CallMedia, ConnectsWhereLoopbackIsTheOnlyNetwork) {
    if (qEnvironmentVariableIsSet("VQ_CALL_LOOPBACK_ONLY")) GTEST_SKIP() << "already inside";
    QProcess inside;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VQ_CALL_LOOPBACK_ONLY", "1");
    inside.setProcessEnvironment(environment);
    inside.setProcessChannelMode(QProcess::MergedChannels);
    inside.start("unshare", {"--net", "--", "sh", "-c",
                             "ip link set lo up && exec \"$0\" "
                             "--gtest_filter='CallMedia/CallMediaWays.*Calls'",
                             QCoreApplication::applicationFilePath()});
    if (!inside.waitForStarted() || !inside.waitForFinished(90'000))
        GTEST_SKIP() << "no network namespace here (unshare needs root)";
    const QString output = QString::fromUtf8(inside.readAll());
    if (output.contains("unshare failed")) GTEST_SKIP() << output.toStdString();
    EXPECT_EQ(inside.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 2 tests")) << output.toStdString();
}
}  // namespace

namespace {
// The program's own picture source as the call shows it: a recording at its own size up to
// 640 x 480, scaled down (never up) in its proportions, and changing as it plays.
TEST(CallMediaFactory, ShowsTheCameraAtItsOwnSizeUpTo640x480) {
    struct Case {
        int width;
        int height;
        const char* seen;
    };
    const QTemporaryDir folder;
    for (const Case& c : {Case{320, 240, "320x240"}, Case{800, 600, "640x480"}}) {
        const QString clip = folder.filePath(QStringLiteral("room%1.avi").arg(c.width));
        ASSERT_TRUE(make_scene_clip(
            clip, 40, [&](int n) { return grey_frame(30 + 5 * n, c.width, c.height); }, c.width,
            c.height));
        const CallMediaFactory factory = gst_call_media_factory(nullptr, clip, {}, {});
        MediaCall call(factory({}), {});
        call.start(false);
        ASSERT_TRUE(call.wait_connected()) << c.seen << ' ' << call.failure.toStdString();
        call.media->start_sending_video();
        const size_t before = call.frames.size();
        ASSERT_TRUE(call.wait([&] {
            const auto frames = call.frames_since(before);
            return frames.size() >= 30 && frames.back().size == c.seen && spread(frames) > 20;
        })) << c.seen
            << ": last " << call.frames.back().size.toStdString();
    }
}
}  // namespace
