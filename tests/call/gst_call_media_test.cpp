// The call's media for real: GstCallMedia against the phone's webrtcbin (webrtc_peer.py) on
// this machine, the descriptions and candidates passed by the test as the Jingle session passes
// them. What the phone decodes is what the owner would see.
#include <gtest/gtest.h>

#include <QCoreApplication>
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

class CallMediaWays : public ::testing::TestWithParam<bool> {};

// Either side may offer: the machine when the alarm calls, the phone when the owner calls in.
TEST_P(CallMediaWays, ConnectsAndShowsTheRoomOnlyOnceAllowed) {
    RoomCamera room;
    MediaCall call({}, room.pictures());
    call.start(GetParam());
    ASSERT_TRUE(call.wait_connected())
        << call.failure.toStdString() << call.peer.errors().toStdString();

    // Connected, but the owner may not see the room yet: black, and the camera left alone.
    ASSERT_TRUE(call.wait([&] { return call.frames.size() >= 5; }));
    EXPECT_LT(std::max_element(call.frames.begin(), call.frames.end(),
                               [](const auto& a, const auto& b) { return a.mean < b.mean; })
                  ->mean,
              20);
    EXPECT_EQ(room.opened, 0);

    call.media->start_sending_video();
    EXPECT_EQ(room.opened, 1);
    const size_t before = call.frames.size();
    // The first pictures after the switch may still be black ones in flight.
    ASSERT_TRUE(call.wait([&] { return call.frames.size() >= before + 30; }));
    const auto room_frames = call.frames_since(before + 10);
    EXPECT_TRUE(all_of_size(room_frames, "640x480"));
    EXPECT_GT(spread(room_frames), 10) << "the pictures do not change over time";
    // No sound card here: the call carries silence and still connects.
    EXPECT_TRUE(call.wait([&] { return call.audio_packets > 0; }, 5'000));
    if (qEnvironmentVariableIsSet("VQ_CALL_LOOPBACK_ONLY")) {
        EXPECT_TRUE(call.peer.lines().filter("127.0.0.1").size() > 0 ||
                    call.peer.lines().filter("::1").size() > 0);
    }

    call.media->stop();
    EXPECT_EQ(room.closed, 1) << "the camera was not given back";
}
INSTANTIATE_TEST_SUITE_P(CallMedia, CallMediaWays, ::testing::Values(true, false),
                         [](const auto& info) {
                             return info.param ? "MachineCalls" : "PhoneCalls";
                         });

// A phone that does not bundle (Dino) answers the machine's call with a transport for each
// stream: both streams reach it.
TEST(CallMedia, APhoneThatDoesNotBundleGetsBothStreams) {
    RoomCamera room;
    MediaCall call({}, room.pictures(), {"--no-bundle"});
    call.start(true);
    ASSERT_TRUE(call.wait_connected()) << call.failure.toStdString();
    call.media->start_sending_video();
    EXPECT_TRUE(call.wait([&] { return call.frames.size() >= 10 && call.audio_packets > 0; }))
        << call.frames.size() << " pictures, " << call.audio_packets << " sound packets";
}

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

// A phone that takes H.264 alone gets H.264 (VP8 whenever it takes that too), whether it
// called or the machine did (offering both), and sees the room.
TEST(CallMedia, APhoneThatTakesH264AloneGetsH264) {
    const auto codecs = video_codecs::available();
    if (std::none_of(codecs.begin(), codecs.end(), [](const auto& c) { return c.name == "H264"; }))
        GTEST_SKIP() << "no H.264 encoder here (gstreamer1.0-plugins-ugly)";
    for (const bool machine_calls : {false, true}) {
        SCOPED_TRACE(machine_calls ? "the machine calls" : "the phone calls");
        RoomCamera room;
        auto media = std::make_unique<GstCallMedia>(CallMedia::Config{}, room.pictures());
        GstCallMedia* gst = media.get();
        MediaCall call(std::move(media), {"--video-codec", "H264"});
        call.start(machine_calls);
        ASSERT_TRUE(call.wait_connected()) << call.failure.toStdString();
        EXPECT_EQ(gst->video_codec(), "H264");
        call.media->start_sending_video();
        ASSERT_TRUE(call.wait([&] { return call.frames.size() >= 40; }));
        const auto room_frames = call.frames_since(20);
        EXPECT_TRUE(all_of_size(room_frames, "640x480"));
        EXPECT_GT(spread(room_frames), 10);
        EXPECT_TRUE(call.peer.lines().contains("codec H264"));
    }
}

// A microphone that is there but fails, at once or during the call, is left out: the call goes
// on and carries silence.
TEST(CallMedia, AFailingMicrophoneLeavesSilenceAndTheCallGoesOn) {
    const QString not_sound = QCoreApplication::applicationFilePath();
    const struct {
        const char* what;
        QString microphone;
    } cases[] = {
        {"will not open", "pulsesrc server=/nonexistent/pulse"},
        {"fails once running", "filesrc location=" + not_sound + " ! wavparse"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RoomCamera room;
        auto media = std::make_unique<GstCallMedia>(CallMedia::Config{}, room.pictures());
        const QByteArray description = c.microphone.toUtf8();
        media->make_microphone = [description] {
            return gst_parse_bin_from_description(description.constData(), TRUE, nullptr);
        };
        MediaCall call(std::move(media), {});
        call.start(true);
        ASSERT_TRUE(call.wait_connected()) << call.failure.toStdString();
        // The phone reports every 50th packet of 20 ms: this is several seconds of sound.
        EXPECT_TRUE(call.wait([&] { return call.audio_packets > 150; }, 15'000))
            << call.audio_packets;
        EXPECT_TRUE(call.failure.isEmpty()) << call.failure.toStdString();
    }
}

// webrtcbin takes any certificate in the DTLS handshake: the check against the fingerprint the
// phone signalled is ours, and without it a man in the middle would see the room.
TEST(CallMedia, APeerWhoseCertificateIsNotTheSignalledOneGetsNoCall) {
    struct Case {
        const char* name;
        std::function<QString(QString)> tamper;
        const char* failure;
    };
    const std::vector<Case> cases = {
        {"fingerprint of another certificate",
         [](QString sdp) {
             // Every media line names the same certificate: all are changed alike.
             const qsizetype at = sdp.indexOf("a=fingerprint:sha-256 ") + 22;
             const QString digest = sdp.mid(at, 95);
             QString other = digest;
             other[0] = other[0] == 'A' ? 'B' : 'A';
             return sdp.replace(digest, other);
         },
         "does not match"},
        {"no fingerprint",
         [](QString sdp) {
             static const QRegularExpression line("a=fingerprint:[^\r\n]*\r?\n");
             return sdp.remove(line);
         },
         "no DTLS fingerprint"},
    };
    for (const Case& c : cases) {
        RoomCamera room;
        MediaCall call({}, room.pictures());
        call.tamper = c.tamper;
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
                             "--gtest_filter='CallMedia/CallMediaWays.*'",
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
