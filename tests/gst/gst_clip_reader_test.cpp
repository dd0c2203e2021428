#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <vector>

#include "gst_test_support.h"
#include "platform/gst/gst_clip_reader.h"
#include "qt_printers.h"

namespace {

// Every frame, in order, none dropped or repeated, each where it lies in the clip; a recording
// of another size comes out at the engine's size. The frames read the decoder's memory: kept
// beyond the reader, each still shows its own picture.
TEST(ClipReader, ReadsEveryFrameInOrder) {
    QTemporaryDir folder;
    constexpr int frames = 37;
    for (const QSize size : {QSize(320, 240), QSize(480, 270)}) {
        SCOPED_TRACE(size.width());
        const QString clip = folder.filePath(QStringLiteral("ramp%1.avi").arg(size.width()));
        ASSERT_TRUE(make_scene_clip(
            clip, frames,
            [&](int n) { return grey_frame(10 + 6 * n, size.width(), size.height()); },
            size.width(), size.height()));
        std::vector<ClipFrame> kept;
        {
            GstClipReader reader(clip);
            ASSERT_TRUE(reader.open()) << reader.error();
            while (std::optional<ClipFrame> frame = reader.next())
                kept.push_back(std::move(*frame));
            EXPECT_TRUE(reader.error().isEmpty()) << reader.error();
            EXPECT_FALSE(reader.next()) << "stays at the end";
        }
        ASSERT_EQ(int(kept.size()), frames);
        for (int n = 0; n < frames; ++n) {
            ASSERT_EQ(kept[n].image.size(), QSize(320, 240));
            EXPECT_NEAR(qRed(kept[n].image.pixel(160, 120)), 10 + 6 * n, 3) << "frame " << n;
            EXPECT_EQ(kept[n].clip_ms, 50 * n);
        }
    }
}

TEST(ClipReader, MissingOrUnreadableClipsDoNotOpen) {
    QTemporaryDir folder;
    for (const QString& clip :
         {folder.filePath("missing.avi"), text_file(folder.path(), "notes.avi"),
          QStringLiteral("/dev/video0")}) {
        GstClipReader reader(clip);
        EXPECT_FALSE(reader.open()) << clip;
        EXPECT_FALSE(reader.error().isEmpty()) << clip;
        EXPECT_FALSE(reader.next()) << clip;
    }
}

}  // namespace
