// vq-replay: recorded footage through the detection engine in virtual time, as fast as the
// machine allows; prints every trigger and what the program would have written, then how fast
// it went with and without the decoding.
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdio>
#include <vector>

#include "clip_replay.h"
#include "platform/gst/gst_clip_reader.h"
#include "run/install_places.h"
#include "windows/version.h"

namespace {
// Frames kept in memory for the engine-only pass: about 300 KiB each.
constexpr qsizetype frames_in_memory = 6000;

void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void print_trigger(const ClipReplay::Trigger& trigger) {
    say(QStringLiteral("trigger at %1 s: peak %2")
            .arg(trigger.clip_ms / 1000.0, 0, 'f', 3)
            .arg(trigger.peak));
    say(QStringLiteral("  snapshot: %1").arg(trigger.snapshot));
    say(QStringLiteral("  log line: %1").arg(trigger.log_line));
}

double per_second(qint64 frames, qint64 nanoseconds) {
    return nanoseconds > 0 ? frames * 1e9 / double(nanoseconds) : 0.0;
}

// Decoding and the engine together, frame by frame; prints the triggers as they come.
bool replay_with_decoding(const QString& clip, const QString& folder, qint64& frames,
                          std::size_t& triggers, double& rate) {
    GstClipReader reader(clip);
    if (!reader.open()) {
        say(QStringLiteral("cannot read %1: %2").arg(clip, reader.error()));
        return false;
    }
    ClipReplay replay(folder);
    replay.on_trigger = print_trigger;
    QElapsedTimer clock;
    clock.start();
    while (std::optional<ClipFrame> frame = reader.next()) replay.feed(*frame);
    rate = per_second(replay.frames(), clock.nsecsElapsed());
    if (!reader.error().isEmpty()) say(QStringLiteral("reading stopped early: ") + reader.error());
    frames = replay.frames();
    triggers = replay.triggers().size();
    return true;
}

// The clip decoded first, then only the engine timed.
double replay_from_memory(const QString& clip, const QString& folder, qint64& frames,
                          std::size_t& triggers) {
    GstClipReader reader(clip);
    std::vector<ClipFrame> decoded;
    if (reader.open()) {
        while (decoded.size() < std::size_t(frames_in_memory)) {
            std::optional<ClipFrame> frame = reader.next();
            if (!frame) break;
            decoded.push_back(std::move(*frame));
        }
    }
    ClipReplay replay(folder);
    QElapsedTimer clock;
    clock.start();
    for (const ClipFrame& frame : decoded) replay.feed(frame);
    const double rate = per_second(replay.frames(), clock.nsecsElapsed());
    frames = replay.frames();
    triggers = replay.triggers().size();
    return rate;
}
}  // namespace

int main(int argc, char* argv[]) {
    // Snapshots are stamped with text, which needs a font engine but no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vq-replay"));

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Replays a recorded clip through the motion detection, frame by frame."));
    options.addHelpOption();
    options.addPositionalArgument(QStringLiteral("FILE"),
                                  QStringLiteral("The clip (a path or a URI)."));
    QCommandLineOption folder_option(QStringLiteral("app-folder"),
                                     QStringLiteral("Folder whose settings file is used."),
                                     QStringLiteral("DIR"), running_install_places().app_folder);
    options.addOption(folder_option);
    options.process(application);
    if (options.positionalArguments().size() != 1) options.showHelp(2);

    const QString clip = options.positionalArguments().first();
    const QString folder = QDir(options.value(folder_option)).absolutePath();
    say(QStringLiteral("%1 %2: replaying %3 with the settings of %4")
            .arg(app::title, app::version_line(), clip, folder));
    say(
        QStringLiteral("(one frame each 50 ms of virtual time; no chat client, so no call-out and "
                       "no picture sending; snapshots and log lines are not kept)"));

    qint64 frames = 0;
    std::size_t triggers = 0;
    double with_decoding = 0;
    if (!replay_with_decoding(clip, folder, frames, triggers, with_decoding)) return 1;

    qint64 memory_frames = 0;
    std::size_t memory_triggers = 0;
    const double engine_only = replay_from_memory(clip, folder, memory_frames, memory_triggers);

    say(QStringLiteral("frames processed: %1").arg(frames));
    say(QStringLiteral("triggers: %1").arg(triggers));
    say(QStringLiteral("throughput, decoding included: %1 frames/s").arg(with_decoding, 0, 'f', 1));
    QString note;
    if (memory_frames != frames) note = QStringLiteral(" (first %1 frames)").arg(memory_frames);
    say(QStringLiteral("throughput, decoding excluded: %1 frames/s%2")
            .arg(engine_only, 0, 'f', 1)
            .arg(note));
    if (memory_frames == frames && memory_triggers != triggers) {
        say(QStringLiteral("warning: the second pass saw %1 triggers").arg(memory_triggers));
    }
    return 0;
}
