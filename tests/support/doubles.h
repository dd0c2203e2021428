#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "qt_printers.h"
#include "seams/camera.h"
#include "seams/file_dialogs.h"
#include "seams/keystrokes.h"
#include "seams/skype_link.h"
#include "seams/sound_device.h"
#include "seams/user_messages.h"
#include "time/scheduler.h"

// Everything the doubles see, in order, stamped with the virtual time: lets a test check the
// order of events across seams ("the sound starts before the call").
struct Journal {
    explicit Journal(const Scheduler& clock) : clock(clock) {}
    void add(QString entry) { entries.emplace_back(clock.now_ms(), std::move(entry)); }
    // The time of the first entry that starts with the text, or -1.
    qint64 time_of(const QString& start) const {
        for (const auto& [at, entry] : entries)
            if (entry.startsWith(start)) return at;
        return -1;
    }
    QStringList texts() const {
        QStringList all;
        for (const auto& [at, entry] : entries) all.append(entry);
        return all;
    }
    const Scheduler& clock;
    std::vector<std::pair<qint64, QString>> entries;
};

// The doubles below note what they see in the journal.
struct Journaled {
    explicit Journaled(Journal& journal) : journal_(journal) {}
    Journal& journal_;
};

// A camera that shows whatever frame the test puts in front of it.
class ScriptedCamera : public Camera, Journaled {
  public:
    using Journaled::Journaled;
    bool open() override {
        journal_.add(QStringLiteral("camera open"));
        is_open = present;
        return present;
    }
    std::optional<QImage> grab() override {
        if (!is_open) return std::nullopt;
        ++grabs;
        if (scene) return scene(grabs);
        return frame;
    }
    void close() override {
        journal_.add(QStringLiteral("camera close"));
        is_open = false;
    }
    CameraDevice* device() override { return device_behind; }

    bool present = true;
    bool is_open = false;
    CameraDevice* device_behind = nullptr;  // none: a file, a stream or the demo scene
    int grabs = 0;
    QImage frame;
    std::function<QImage(int grab_number)> scene;  // when set, it makes every frame
};

class RecordingSkype : public SkypeLink, public Keystrokes, Journaled {
  public:
    using Journaled::Journaled;
    void Connect(int value) override { connects.push_back(value); }
    void SendCommand(const QString& command) override {
        commands.append(command);
        journal_.add(QStringLiteral("-> ") + command);
    }
    int LoginStatus() const override { return login_status; }
    void send_keys(const QString& keys) override {
        keystrokes.append(keys);
        journal_.add(QStringLiteral("keys ") + keys);
    }

    std::vector<int> connects;
    QStringList commands;
    QStringList keystrokes;
    int login_status = 1;
};

class RecordingSound : public SoundDevice, Journaled {
  public:
    using Journaled::Journaled;
    void set_device_type(const QString&) override {}
    void set_file_name(const QString& name) override { file_name = name; }
    void command(const QString& command) override {
        commands.append(command);
        journal_.add(QStringLiteral("sound ") + command);
    }
    QString file_name;
    QStringList commands;
};

class RecordingMessages : public UserMessages, Journaled {
  public:
    using Journaled::Journaled;
    void message_box(const QString& title, const QString& text) override {
        boxes.emplace_back(title, text);
        journal_.add(QStringLiteral("message ") + text);
    }
    std::vector<std::pair<QString, QString>> boxes;
};

// File dialogs that answer what the test queued (an empty text is a cancel).
class ScriptedDialogs : public FileDialogs {
  public:
    void save_file(const Request&, Chosen chosen) override { chosen(answer()); }
    void open_file(const Request&, Chosen chosen) override { chosen(answer()); }
    QStringList answers;

  private:
    QString answer() { return answers.isEmpty() ? QString() : answers.takeFirst(); }
};
