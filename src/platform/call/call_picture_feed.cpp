#include "platform/call/call_picture_feed.h"

#include "log/categories.h"
#include "platform/gst/gst_ptr.h"
#include "platform/gst/gst_runtime.h"

namespace {
// Until the room is shown: small, so the encoder has next to nothing to do.
QImage black_picture() {
    QImage black(320, 240, QImage::Format_RGB32);
    black.fill(Qt::black);
    return black;
}

// Video wants even sizes for its 4:2:0 planes.
QImage even_sized(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    if (rgb.width() % 2 == 0 && rgb.height() % 2 == 0) return rgb;
    return rgb.copy(0, 0, rgb.width() & ~1, rgb.height() & ~1);
}
}  // namespace

CallPictureFeed::CallPictureFeed(GstAppSrc* source, CallPictures pictures)
    : source_(source), pictures_(std::move(pictures)) {
    tick_.setTimerType(Qt::PreciseTimer);
    tick_.setInterval(1000 / frames_per_second);
    QObject::connect(&tick_, &QTimer::timeout, [this] { push_next(); });
    current_ = black_picture();
}

CallPictureFeed::~CallPictureFeed() {
    stop();
}

void CallPictureFeed::start() {
    push_next();
    tick_.start();
}

void CallPictureFeed::show_room() {
    if (showing_room_) return;
    showing_room_ = true;
    room_since_ = std::chrono::steady_clock::now();
    try_camera();
}

void CallPictureFeed::try_camera() {
    last_try_ = std::chrono::steady_clock::now();
    camera_taken_ = pictures_.open && pictures_.open();
}

void CallPictureFeed::stop() {
    tick_.stop();
    give_camera_back();
}

void CallPictureFeed::give_camera_back() {
    if (camera_taken_ && pictures_.close) pictures_.close();
    camera_taken_ = false;
}

void CallPictureFeed::push_next() {
    const QImage picture = next_picture();
    if (!picture.isNull()) current_ = even_sized(picture);
    push(current_);
}

QImage CallPictureFeed::next_picture() {
    if (!showing_room_) return {};
    const auto now = std::chrono::steady_clock::now();
    if (!camera_taken_ && !camera_given_up_ && now - last_try_ >= open_retry) try_camera();
    if (camera_taken_) {
        if (auto picture = pictures_.newest(); picture && !picture->isNull()) {
            camera_seen_ = true;
            return *picture;
        }
        if (camera_seen_) return {};  // the one before stays
    }
    if (!camera_given_up_ && now - room_since_ >= camera_patience) {
        qCInfo(call_log) << "The camera cannot be had or sends nothing: the call shows the last "
                            "picture";
        camera_given_up_ = true;
        give_camera_back();
    }
    return pictures_.still ? pictures_.still() : QImage();
}

void CallPictureFeed::push(const QImage& picture) {
    if (picture.size() != caps_size_) {
        caps_size_ = picture.size();
        const GstCapsPtr caps(
            gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, gst_runtime::rgb32_format(),
                                "width", G_TYPE_INT, picture.width(), "height", G_TYPE_INT,
                                picture.height(), "framerate", GST_TYPE_FRACTION, frames_per_second,
                                1, "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr));
        gst_app_src_set_caps(source_, caps.get());
    }
    const gsize size = gsize(picture.sizeInBytes());
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, size, nullptr);
    gst_buffer_fill(buffer, 0, picture.constBits(), size);
    // The source stamps it with the pipeline's clock as it goes in.
    if (gst_app_src_push_buffer(source_, buffer) != GST_FLOW_OK)
        qCDebug(call_log) << "The call's video no longer takes pictures";
}
