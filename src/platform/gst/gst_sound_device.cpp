#include "platform/gst/gst_sound_device.h"

#include <QFileInfo>

#include "log/categories.h"
#include "platform/gst/gst_bus_relay.h"
#include "platform/gst/gst_runtime.h"

namespace {
// Loading a short sound file takes a moment; anything slower is treated as unplayable.
constexpr std::chrono::milliseconds open_limit{5000};
}  // namespace

GstSoundDevice::GstSoundDevice(GstElement* audio_sink) {
    gst_runtime::ensure_initialised();
    // A floating sink is ours to own until the player takes it.
    const GstElementPtr sink = sunk(audio_sink);
    player_ = sunk(gst_element_factory_make("playbin", nullptr));
    if (!player_) {
        qCWarning(sound_log) << "no playbin: the sound device stays silent";
        return;
    }
    // Sound only: an AVI's pictures are not shown anywhere.
    gst_util_set_object_arg(G_OBJECT(player_.get()), "flags", "audio+soft-volume");
    if (sink) g_object_set(player_.get(), "audio-sink", sink.get(), nullptr);
    relay_ = std::make_unique<GstBusRelay>(
        player_.get(), GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE,
        [this](GstMessage* message) { handle(message); });
}

GstSoundDevice::~GstSoundDevice() {
    if (!player_) return;
    gst_element_set_state(player_.get(), GST_STATE_NULL);
    relay_.reset();
}

void GstSoundDevice::command(const QString& command) {
    if (!player_) return;
    if (command == QLatin1String("Open")) {
        open();
    } else if (command == QLatin1String("Prev")) {
        rewind();
    } else if (command == QLatin1String("Play")) {
        play();
    } else if (command == QLatin1String("Stop")) {
        stop();
    } else if (command == QLatin1String("Close")) {
        close();
    }
}

// Opening again replaces the file that was open.
void GstSoundDevice::open() {
    close();
    if (file_name_.isEmpty()) return;
    if (!QFileInfo(file_name_).isFile()) {
        qCWarning(sound_log) << "no sound file:" << file_name_;
        return;
    }
    const QByteArray uri = gst_runtime::to_uri(file_name_).toUtf8();
    g_object_set(player_.get(), "uri", uri.constData(), nullptr);
    QString error;
    open_ = gst_runtime::change_state(player_.get(), GST_STATE_PAUSED, open_limit, &error);
    if (!open_) qCWarning(sound_log) << "sound file not playable:" << file_name_ << error;
    at_end_ = false;
}

void GstSoundDevice::rewind() {
    if (!open_) return;
    gst_element_seek_simple(player_.get(), GST_FORMAT_TIME,
                            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                            0);
    at_end_ = false;
}

void GstSoundDevice::play() {
    if (!open_ || playing_) return;
    if (at_end_) rewind();
    playing_ = true;
    gst_element_set_state(player_.get(), GST_STATE_PLAYING);
}

void GstSoundDevice::stop() {
    if (!open_) return;
    gst_element_set_state(player_.get(), GST_STATE_PAUSED);
    // An end reported but not yet handled belongs to the play just stopped, not to the next one.
    relay_->discard_pending();
    end_play(aborted);
}

void GstSoundDevice::close() {
    end_play(aborted);
    gst_element_set_state(player_.get(), GST_STATE_NULL);
    open_ = false;
    at_end_ = false;
}

// A play that was stopped is told so after the command that stopped it has returned.
void GstSoundDevice::end_play(int code) {
    if (!playing_) return;
    playing_ = false;
    relay_->post([this, code] {
        if (on_done) on_done(code);
    });
}

void GstSoundDevice::handle(GstMessage* message) {
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
            at_end_ = true;
            if (playing_) {
                playing_ = false;
                if (on_done) on_done(completed);
            }
            break;
        case GST_MESSAGE_ERROR:
            // Whatever the file held, the device has nothing left to play.
            qCWarning(sound_log) << "sound failed:" << gst_runtime::message_text(message);
            if (playing_) end_play(failed);
            gst_element_set_state(player_.get(), GST_STATE_NULL);
            open_ = false;
            break;
        default:
            break;
    }
}
