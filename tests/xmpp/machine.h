#pragma once

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "child_process.h"
#include "gst/gst_test_support.h"
#include "prosody_server.h"
#include "settings_files.h"

// The program as a headless home service with an XMPP account, watching a recorded room that
// plays round and round: the owner's account is its call target, it is armed at start (two seconds
// to settle), sends a picture and calls on motion, and answers calls with video.
class Machine {
  public:
    // The recorded room, in frames at 20 a second: quiet, then someone walks through it.
    using Scene = Room;
    static constexpr Scene quiet_room{40};
    static constexpr Scene walk_every_ten_seconds{120, 80};
    static constexpr Scene walk_every_half_minute{120, 80, 400};
    static constexpr Scene one_walk_a_minute{120, 80, 1000};

    explicit Machine(Scene scene = quiet_room, const QString& call_minutes = "30") {
        ready_ = QDir().mkpath(app_) &&
                 write_home_settings(app_, ProsodyServer::jid("owner"), call_minutes) &&
                 make_room_clip(clip_, scene);
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
        for (const auto& program : programs_) text += program->output + program->errors;
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
    QTemporaryDir folder_;
    const QString app_ = folder_.filePath("app");
    const QString clip_ = folder_.filePath("room.avi");
    bool ready_ = false;
    std::vector<std::unique_ptr<ChildProcess>> programs_;
};
