#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "clip_replay.h"
#include "gst_test_support.h"
#include "platform/gst/gst_clip_reader.h"
#include "qt_printers.h"
#include "settings_files.h"

namespace {

constexpr int still_frames = 30;  // 1.5 s of the still room before anything moves
constexpr int moving_frames = 90;

struct Rect {
    int left, right, top, bottom;
};

// A settings file as the program keeps it: detection settles at once, no call-out, the watched
// rectangle as given, everything else as on a first run.
void write_settings(const QString& folder, Rect watched) {
    const QStringList values =
        QStringLiteral("|30|10|0|30||0|0|1|0|0|False|False|False|True|").split('|') +
        QStringList{QString::number(watched.left), QString::number(watched.right),
                    QString::number(watched.top), QString::number(watched.bottom)};
    ASSERT_TRUE(write_settings_file(folder, values));
}

struct Case {
    const char* name;
    int box_top;  // -1: a still clip
    Rect watched;
    bool fires;
};
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class Replay : public ::testing::TestWithParam<Case> {};

TEST_P(Replay, FiresOnlyForMotionInsideTheRectangle) {
    const Case c = GetParam();
    QTemporaryDir clips;
    QTemporaryDir app_folder;
    const QString clip = clips.filePath("scene.avi");
    ASSERT_TRUE(make_scene_clip(clip, still_frames + moving_frames,
                                [&](int n) { return room_frame(n, still_frames, c.box_top, 4); }));
    write_settings(app_folder.path(), c.watched);

    GstClipReader reader(clip);
    ASSERT_TRUE(reader.open()) << reader.error();
    ClipReplay replay(app_folder.path());
    while (std::optional<ClipFrame> frame = reader.next()) replay.feed(*frame);

    EXPECT_EQ(replay.frames(), still_frames + moving_frames);
    if (!c.fires) {
        EXPECT_TRUE(replay.triggers().empty()) << replay.triggers().front().log_line;
        return;
    }
    ASSERT_FALSE(replay.triggers().empty());
    const ClipReplay::Trigger& first = replay.triggers().front();
    EXPECT_GE(first.clip_ms, still_frames * 50) << "not before the box appears";
    EXPECT_GT(first.peak, 0);
    EXPECT_TRUE(QRegularExpression(R"(^Pic\d{12}\.JPG  )").match(first.log_line).hasMatch())
        << first.log_line;
    EXPECT_EQ(first.snapshot, app_folder.path() + '/' + first.log_line.left(19));
    EXPECT_FALSE(QFile::exists(app_folder.filePath("motion_log.txt")))
        << "the real log is left alone";
    EXPECT_FALSE(QFile::exists(first.snapshot)) << "and so is the snapshot folder";
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, Replay,
    ::testing::Values(Case{"still_room", -1, {1, 315, 1, 235}, false},
                      Case{"box_inside_default_rectangle", 90, {1, 315, 1, 235}, true},
                      Case{"box_above_watched_lower_half", 10, {1, 315, 120, 235}, false},
                      Case{"box_inside_watched_lower_half", 150, {1, 315, 120, 235}, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The tool itself: the triggers, the frame count and both throughput figures.
TEST(ReplayTool, PrintsTriggersFramesAndThroughput) {
    QTemporaryDir clips;
    QTemporaryDir app_folder;
    const QString clip = clips.filePath("scene.avi");
    ASSERT_TRUE(make_scene_clip(clip, still_frames + moving_frames,
                                [](int n) { return room_frame(n, still_frames, 90, 4); }));
    write_settings(app_folder.path(), {1, 315, 1, 235});

    QProcess tool;
    tool.start(QStringLiteral(VQ_REPLAY_PATH), {clip, "--app-folder", app_folder.path()});
    ASSERT_TRUE(tool.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(tool.readAllStandardOutput());
    EXPECT_EQ(tool.exitCode(), 0) << output;
    EXPECT_TRUE(
        output.contains(QStringLiteral("frames processed: %1\n").arg(still_frames + moving_frames)))
        << output;
    const QRegularExpressionMatch triggers =
        QRegularExpression(R"(\ntriggers: (\d+)\n)").match(output);
    ASSERT_TRUE(triggers.hasMatch()) << output;
    EXPECT_GE(triggers.captured(1).toInt(), 1);
    EXPECT_EQ(output.count(QRegularExpression(R"(\ntrigger at \d+\.\d{3} s: peak \d+\n)")),
              triggers.captured(1).toInt())
        << output;
    EXPECT_TRUE(output.contains(QRegularExpression(R"(decoding included: \d+\.\d frames/s)")))
        << output;
    EXPECT_TRUE(output.contains(QRegularExpression(R"(decoding excluded: \d+\.\d frames/s\n)")))
        << output;
}

TEST(ReplayTool, UnreadableClipFails) {
    QTemporaryDir folder;
    QProcess tool;
    tool.start(QStringLiteral(VQ_REPLAY_PATH),
               {folder.filePath("missing.avi"), "--app-folder", folder.path()});
    ASSERT_TRUE(tool.waitForFinished(120000));
    EXPECT_NE(tool.exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(tool.readAllStandardOutput()).contains("cannot read"));
}

}  // namespace
