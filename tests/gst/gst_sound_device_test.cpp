#include <gtest/gtest.h>
#include <QProcess>
#include <QTemporaryDir>

#include "gst_test_support.h"
#include "platform/gst/gst_sound_device.h"
#include "qt_printers.h"

namespace {

// A sound file of the given length, made by GStreamer's test source.
QString make_wav(const QTemporaryDir& folder, const char* name, double seconds) {
    const QString path = folder.filePath(name);
    EXPECT_EQ(
        QProcess::execute("gst-launch-1.0",
                          {"-q", "audiotestsrc",
                           QStringLiteral("num-buffers=%1").arg(int(seconds * 44100 / 1024) + 1),
                           "samplesperbuffer=1024", "!", "audio/x-raw,rate=44100,channels=1", "!",
                           "wavenc", "!", "filesink", "location=" + path}),
        0);
    return path;
}

// A sound device whose output counts the buffers that reach it, with the completions it reports.
struct CountedDevice {
    explicit CountedDevice(bool real_time = false) {
        gst_runtime::ensure_initialised();
        GstElement* sink = gst_element_factory_make("fakesink", nullptr);
        g_object_set(sink, "signal-handoffs", TRUE, "sync", real_time, nullptr);
        g_signal_connect(sink, "handoff",
                         G_CALLBACK(+[](GstElement*, GstBuffer*, GstPad*, gpointer count) {
                             ++*static_cast<std::atomic<int>*>(count);
                         }),
                         &buffers);
        device = std::make_unique<GstSoundDevice>(sink);
        device->on_done = [this](int code) { codes.push_back(code); };
    }
    void start(const QString& file) {
        device->set_device_type("WaveAudio");
        device->set_file_name(file);
        for (const char* command : {"Open", "Prev", "Play"}) device->command(command);
    }

    std::atomic<int> buffers{0};
    std::unique_ptr<GstSoundDevice> device;
    std::vector<int> codes;
};

// A file the device cannot open plays nothing and reports nothing. Then what the settings dialog
// does while the alarm timer runs: each completion rewinds and plays again, each play heard whole.
TEST(GstSoundDevice, UnplayableFilesAreSilentAndEachCompletionCanStartTheSoundAgain) {
    QTemporaryDir folder;
    CountedDevice sound;
    for (const QString& file : {QString(), folder.filePath("missing.wav"),
                                text_file(folder.path(), "notes.wav"), folder.path()}) {
        sound.start(file);
        EXPECT_FALSE(sound.device->is_open()) << file;
        spin_for(300ms);
        EXPECT_TRUE(sound.codes.empty()) << file;
        EXPECT_EQ(sound.buffers, 0) << file;
        sound.device->command("Stop");
        sound.device->command("Close");
    }

    std::vector<int> buffers_at_end;
    sound.device->on_done = [&](int code) {
        sound.codes.push_back(code);
        buffers_at_end.push_back(sound.buffers);
        if (sound.codes.size() < 3) {
            sound.device->command("Prev");
            sound.device->command("Play");
        }
    };
    sound.start(make_wav(folder, "beep.wav", 0.3));
    ASSERT_TRUE(wait_until([&] { return sound.codes.size() == 3; }));
    EXPECT_EQ(sound.codes, std::vector<int>(3, SoundDevice::completed));
    const int whole = buffers_at_end[0];
    EXPECT_GT(whole, 0);
    EXPECT_NEAR(buffers_at_end[1] - buffers_at_end[0], whole, whole / 4 + 1) << "heard whole";
    EXPECT_NEAR(buffers_at_end[2] - buffers_at_end[1], whole, whole / 4 + 1) << "heard whole";
}

// "Stop" and "Close" during a play end it with a code that is not a completion, once.
TEST(GstSoundDevice, StoppedPlayIsNotACompletion) {
    QTemporaryDir folder;
    const QString long_sound = make_wav(folder, "long.wav", 20);
    for (const char* ending : {"Stop", "Close"}) {
        CountedDevice sound(true);
        sound.start(long_sound);
        ASSERT_TRUE(wait_until([&] { return sound.buffers > 0; })) << ending;
        sound.device->command(ending);
        EXPECT_TRUE(sound.codes.empty()) << "reported after the command, not inside it";
        ASSERT_TRUE(wait_until([&] { return !sound.codes.empty(); })) << ending;
        spin_for(200ms);
        ASSERT_EQ(sound.codes.size(), 1u) << ending;
        EXPECT_NE(sound.codes[0], SoundDevice::completed) << ending;
    }
}

}  // namespace
