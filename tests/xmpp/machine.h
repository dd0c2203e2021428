#pragma once

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <memory>

#include "child_process.h"
#include "gst/gst_test_support.h"
#include "prosody_server.h"
#include "settings_files.h"

// How the recorded room plays, round and round: seconds of a quiet room, then of someone
// walking through it, then quiet again.
struct RoomScene {
    int quiet = 2;
    int walking = 0;
    int quiet_after = 0;
};

// The program as a headless home service with an XMPP account, watching a recorded room: the
// owner's account is its call target, it is armed at start (two seconds to settle), sends a picture
// and calls on motion, and answers calls with video.
class Machine {
  public:
    using Scene = RoomScene;
    static constexpr Scene quiet_room{};
    static constexpr Scene walk_every_ten_seconds{6, 4, 0};
    static constexpr Scene walk_every_half_minute{6, 4, 20};
    static constexpr Scene one_walk_a_minute{6, 4, 50};

    explicit Machine(Scene scene = quiet_room) {
        app_ = folder_.filePath("app");
        QDir().mkpath(app_);
        const QString owner = ProsodyServer::jid("owner");
        const QStringList values = {owner,  "30", "30", "2",   "30",    "",      "1",
                                    "1",    "1",  "0",  "1",   "False", "False", "False",
                                    "True", "",   "4",  "316", "4",     "236"};
        ready_ = write_settings_file(app_, values) && make_clip(scene);
    }
    bool ready() const { return ready_; }
    const QString& app() const { return app_; }
    const QString& clip() const { return clip_; }

    // `videoquelm --headless --skype xmpp` on the clip with the given account file.
    void start(const QString& account_file) {
        run(VQ_PROGRAM, {"--headless", "--arm", "--camera", clip_, "--skype", "xmpp",
                         "--xmpp-config", account_file, "--app-folder", app_});
    }
    // Any of the programs, on the given session bus.
    void run(const QString& program, const QStringList& arguments, const QString& bus = {}) {
        programs_.push_back(std::make_unique<ChildProcess>(program, arguments, bus));
    }
    ChildProcess& program(size_t n = 0) { return *programs_.at(n); }
    // Whether what the programs printed so far (output or problems) contains `text`.
    bool printed(const QString& text) const { return printed_text().contains(text); }
    QString printed_text() const {
        QString text;
        for (const auto& program : programs_) {
            text += program->output + program->errors;
            const QProcess& process = program->process;
            if (process.state() == QProcess::NotRunning)
                text += QStringLiteral("[%1 ended: %2, code %3]\n")
                            .arg(process.program())
                            .arg(process.exitStatus() == QProcess::CrashExit ? "crashed" : "exited")
                            .arg(process.exitCode());
        }
        return text;
    }

    // The snapshots the program saved, oldest first, and the fingerprint of one.
    QStringList snapshots() const {
        return QDir(app_).entryList({"Pic*.JPG"}, QDir::Files, QDir::Name);
    }
    QString fingerprint(const QString& snapshot) const {
        QFile file(app_ + '/' + snapshot);
        file.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
    }
    std::string transcript() const { return ("machine:\n" + printed_text()).toStdString(); }

  private:
    bool make_clip(Scene scene) {
        constexpr int fps = 20;
        clip_ = folder_.filePath("room.avi");
        const int walk_from = scene.quiet * fps;
        const int walk_to = walk_from + scene.walking * fps;
        return make_scene_clip(clip_, walk_to + scene.quiet_after * fps, [=](int n) {
            QImage frame = grey_frame(40);
            QPainter painter(&frame);
            painter.fillRect(200, 150, 80, 60, QColor(90, 70, 50));
            if (n >= walk_from && n < walk_to) {
                const int x = -60 + 5 * (n - walk_from);
                for (int stripe = 0; stripe < 60; stripe += 8) {
                    painter.fillRect(x + stripe, 90, 4, 60, QColor(230, 230, 230));
                    painter.fillRect(x + stripe + 4, 90, 4, 60, QColor(10, 10, 10));
                }
            }
            return frame;
        });
    }

    QTemporaryDir folder_;
    QString app_, clip_;
    bool ready_ = false;
    std::vector<std::unique_ptr<ChildProcess>> programs_;
};
