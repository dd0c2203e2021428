#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <vector>

#include "gst_test_support.h"
#include "platform/gst/gst_clip_reader.h"
#include "qt_printers.h"

namespace {

// Every frame, in order, none dropped or repeated, each where it lies in the clip; whatever the
// size of the recording, the engine gets whole 320 x 240 pictures of it in their colours. The
// frames read the decoder's memory: kept beyond the reader, each still shows its own picture.
TEST(ClipReader, ReadsEveryFrameInOrder) {
    QTemporaryDir folder;
    constexpr int frames = 37;
    // The red level tells the frame; green and blue show the channels in their places.
    const auto colour = [](int n) { return qRgb(10 + 6 * n, 60, 30); };
    for (const QSize size : {QSize(320, 240), QSize(640, 360), QSize(176, 144)}) {
        SCOPED_TRACE(size.width());
        const QString clip = folder.filePath(QStringLiteral("ramp%1.avi").arg(size.width()));
        ASSERT_TRUE(make_scene_clip(
            clip, frames,
            [&](int n) { return solid_frame(colour(n), size.width(), size.height()); },
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
            const QImage& image = kept[n].image;
            ASSERT_EQ(image.size(), QSize(320, 240));
            EXPECT_EQ(image.format(), QImage::Format_RGB32);
            for (const QPoint at : {QPoint(160, 120), QPoint(0, 0), QPoint(319, 239)})
                EXPECT_TRUE(near_colour(image.pixel(at), colour(n)))
                    << "frame " << n << " at " << at.x() << "," << at.y();
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
