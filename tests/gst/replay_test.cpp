#include <gtest/gtest.h>
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

// A settings file as the program keeps it: detection settles at once, no call-out, the watched
// rectangle (left, right, top, bottom) as given, everything else as on a first run.
void write_settings(const QString& folder, const QStringList& watched) {
    ASSERT_TRUE(write_settings_file(
        folder,
        QStringLiteral("|30|10|0|30||0|0|1|0|0|False|False|False|True|").split('|') + watched));
}

TEST(Replay, FiresOnlyForMotionInsideTheRectangle) {
    struct Case {
        const char* name;
        Room room;
        QStringList watched;
        bool fires;
    };
    const QStringList whole = {"1", "315", "1", "235"};
    const QStringList lower_half = {"1", "315", "120", "235"};
    const auto box_at = [](int top) { return Room{still_frames, moving_frames, 0, top}; };
    for (const Case& c :
         {Case{"still room", {still_frames + moving_frames}, whole, false},
          Case{"box inside the default rectangle", box_at(90), whole, true},
          Case{"box above the watched lower half", box_at(10), lower_half, false},
          Case{"box inside the watched lower half", box_at(150), lower_half, true}}) {
        SCOPED_TRACE(c.name);
        QTemporaryDir clips;
        QTemporaryDir app_folder;
        const QString clip = clips.filePath("scene.avi");
        ASSERT_TRUE(make_room_clip(clip, c.room));
        write_settings(app_folder.path(), c.watched);

        GstClipReader reader(clip);
        ASSERT_TRUE(reader.open()) << reader.error();
        ClipReplay replay(app_folder.path());
        while (std::optional<ClipFrame> frame = reader.next()) replay.feed(*frame);

        EXPECT_EQ(replay.frames(), still_frames + moving_frames);
        EXPECT_EQ(!replay.triggers().empty(), c.fires);
        if (replay.triggers().empty()) continue;
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
}

// The tool itself: the triggers, the frame count and both throughput figures; a clip it cannot
// read fails.
TEST(ReplayTool, PrintsTriggersFramesAndThroughputAndFailsOnAnUnreadableClip) {
    QTemporaryDir folder;
    const QString clip = folder.filePath("scene.avi");
    ASSERT_TRUE(make_room_clip(clip, {still_frames, moving_frames}));
    write_settings(folder.path(), {"1", "315", "1", "235"});
    const auto run = [&](const QString& clip, int code) {
        QProcess tool;
        tool.start(QStringLiteral(VQ_REPLAY_PATH), {clip, "--app-folder", folder.path()});
        EXPECT_TRUE(tool.waitForFinished(120000));
        const QString output = QString::fromLocal8Bit(tool.readAllStandardOutput());
        EXPECT_EQ(tool.exitCode() != 0, code != 0) << output;
        return output;
    };

    const QString output = run(clip, 0);
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
    EXPECT_TRUE(run(folder.filePath("missing.avi"), 1).contains("cannot read"));
}

}  // namespace
