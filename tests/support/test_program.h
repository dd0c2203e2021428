#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include "app/class_motion.h"
#include "app/frm_testing.h"
#include "app/program.h"
#include "camera/camera_owner.h"
#include "doubles.h"
#include "files.h"
#include "seams/seams.h"
#include "time/virtual_scheduler.h"
#include "windows/video_quelm_setup.h"

// The whole program with a link that records its commands and into which the test feeds lines,
// doubles for the other seams, a fresh application folder (or that of an earlier program: a
// restart) and virtual time starting on 15 March 2007 at 14:23:00.
struct TestProgram {
    explicit TestProgram(const QString& existing_folder = {})
        : app_folder(existing_folder.isEmpty() ? folder.path() : existing_folder),
          journal(scheduler),
          camera(journal),
          sound(journal),
          messages(journal),
          skype(journal),
          camera_owner(camera),
          program(Seams{scheduler, camera, skype, sound, messages, skype, dialogs}, camera_owner,
                  app_folder),
          form(program.main_window()) {
        // A dark, still room. (The first difference is taken against the empty camera picture,
        // which is black: a still scene of another colour would leave that first difference in
        // the column smoothing, which only moves on when something changes.)
        camera.frame = QImage(320, 240, QImage::Format_RGB32);
        camera.frame.fill(qRgb(0, 0, 0));
    }

    QString path(const QString& name) const { return app_folder + '/' + name; }
    void write_file(const QString& name, const QByteArray& bytes) const {
        ::write_file(path(name), bytes);
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
    RecordingSound sound;
    RecordingMessages messages;
    ScriptedDialogs dialogs;
    RecordingSkype skype;
    CameraOwner camera_owner;
    Program program;
    frmTesting& form;
};
