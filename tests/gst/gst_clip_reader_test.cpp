#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "gst_test_support.h"
#include "platform/gst/gst_clip_reader.h"
#include "qt_printers.h"

namespace {

struct Recording {
    const char* name;
    int width;
    int height;
};
void PrintTo(const Recording& c, std::ostream* out) {
    *out << c.name;
}

class ClipReader : public ::testing::TestWithParam<Recording> {};

// Every frame, in order, none dropped or repeated, each where it lies in the clip; a recording
// of another size comes out at the engine's size.
TEST_P(ClipReader, ReadsEveryFrameInOrder) {
    QTemporaryDir folder;
    const QString clip = folder.filePath("ramp.avi");
    constexpr int frames = 37;
    const Recording recording = GetParam();
    ASSERT_TRUE(make_scene_clip(
        clip, frames,
        [&](int n) { return grey_frame(10 + 6 * n, recording.width, recording.height); },
        recording.width, recording.height));

    GstClipReader reader(clip);
    ASSERT_TRUE(reader.open()) << reader.error();
    int read = 0;
    while (std::optional<ClipFrame> frame = reader.next()) {
        ASSERT_EQ(frame->image.size(), QSize(320, 240));
        const int level = qRed(frame->image.pixel(160, 120));
        EXPECT_NEAR(level, 10 + 6 * read, 3) << "frame " << read;
        EXPECT_EQ(frame->clip_ms, 50 * read);
        ++read;
    }
    EXPECT_EQ(read, frames);
    EXPECT_TRUE(reader.error().isEmpty()) << reader.error();
    EXPECT_FALSE(reader.next()) << "stays at the end";
}

INSTANTIATE_TEST_SUITE_P(Sizes, ClipReader,
                         ::testing::Values(Recording{"engine_size", 320, 240},
                                           Recording{"wide", 480, 270}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ClipReaderErrors, MissingOrUnreadableClipsDoNotOpen) {
    QTemporaryDir folder;
    const QString text = text_file(folder.path(), "notes.avi");
    for (const QString& clip :
         {folder.filePath("missing.avi"), text, QStringLiteral("/dev/video0")}) {
        GstClipReader reader(clip);
        EXPECT_FALSE(reader.open()) << clip;
        EXPECT_FALSE(reader.error().isEmpty()) << clip;
        EXPECT_FALSE(reader.next()) << clip;
    }
}

}  // namespace
