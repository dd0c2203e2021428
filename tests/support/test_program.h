#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include "app/frm_testing.h"
#include "app/program.h"
#include "capture/class_motion.h"
#include "doubles.h"
#include "platform/seams.h"
#include "time/virtual_scheduler.h"
#include "windows/video_quelm_setup.h"

// The whole program on doubles, in virtual time, in a fresh application folder. The virtual
// clock starts on 15 March 2007 at 14:23:00.
struct TestProgram {
    // A program in a fresh folder, or in the folder of an earlier one (a restart).
    explicit TestProgram(const QString& existing_folder = {})
        : app_folder(existing_folder.isEmpty() ? folder.path() : existing_folder),
          journal(scheduler),
          camera(journal),
          skype(journal),
          sound(journal),
          messages(journal),
          program(Seams{scheduler, camera, skype, sound, messages, skype, dialogs}, app_folder),
          form(program.main_window()) {
        // A dark, still room. (The first difference is taken against the empty camera picture,
        // which is black: a still scene of another colour would leave that first difference in
        // the column smoothing, which only moves on when something changes.)
        camera.frame = QImage(320, 240, QImage::Format_RGB32);
        camera.frame.fill(qRgb(0, 0, 0));
    }

    QString path(const QString& name) const { return app_folder + '/' + name; }
    void write_file(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }
    QByteArray read_file(const QString& name) const {
        QFile file(path(name));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }
    Video_Quelm_Setup& setup() { return program.setup(); }

    QTemporaryDir folder;
    QString app_folder;
    VirtualScheduler scheduler;
    Journal journal;
    ScriptedCamera camera;
    RecordingSkype skype;
    RecordingSound sound;
    RecordingMessages messages;
    ScriptedDialogs dialogs;
    Program program;
    frmTesting& form;
};
