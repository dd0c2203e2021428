#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include "app/class_motion.h"
#include "app/frm_testing.h"
#include "app/program.h"
#include "client/simulated_client.h"
#include "client/simulated_link.h"
#include "doubles.h"
#include "files.h"
#include "seams/seams.h"
#include "time/virtual_scheduler.h"
#include "windows/video_quelm_setup.h"

// Everything around the program but its chat link: a fresh application folder, virtual time
// starting on 15 March 2007 at 14:23:00, and doubles for the other seams.
struct ProgramSurroundings {
    explicit ProgramSurroundings(const QString& existing_folder)
        : app_folder(existing_folder.isEmpty() ? folder.path() : existing_folder),
          journal(scheduler),
          camera(journal),
          sound(journal),
          messages(journal) {
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

    QTemporaryDir folder;
    QString app_folder;
    VirtualScheduler scheduler;
    Journal journal;
    ScriptedCamera camera;
    RecordingSound sound;
    RecordingMessages messages;
    ScriptedDialogs dialogs;
};

// The whole program with a link that records its commands and into which the test feeds lines.
struct TestProgram : ProgramSurroundings {
    // A program in a fresh folder, or in the folder of an earlier one (a restart).
    explicit TestProgram(const QString& existing_folder = {})
        : ProgramSurroundings(existing_folder),
          skype(journal),
          program(Seams{scheduler, camera, skype, sound, messages, skype, dialogs}, app_folder),
          form(program.main_window()) {}

    Video_Quelm_Setup& setup() { return program.setup(); }

    RecordingSkype skype;
    Program program;
    frmTesting& form;
};

// The whole program talking to the simulated client, whose contacts the test plays.
struct SimulatedProgram : ProgramSurroundings {
    SimulatedProgram()
        : ProgramSurroundings({}),
          client(scheduler),
          link(scheduler, client),
          program(Seams{scheduler, camera, link, sound, messages, link, dialogs}, app_folder),
          form(program.main_window()) {}

    SimulatedClient client;
    SimulatedLink link;
    Program program;
    frmTesting& form;
};
