// Fuzzes the reading of the settings file: whatever bytes "vq.stp" holds, the start-up must end
// with the program running.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "app/frm_testing.h"
#include "app/program.h"
#include "doubles.h"
#include "platform/seams.h"
#include "time/virtual_scheduler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    {
        QFile file(folder.path() + "/vq.stp");
        if (!file.open(QIODevice::WriteOnly)) return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    VirtualScheduler scheduler;
    Journal journal(scheduler);
    ScriptedCamera camera(journal);
    RecordingSkype skype(journal);
    RecordingSound sound(journal);
    RecordingMessages messages(journal);
    ScriptedDialogs dialogs;
    Program program(Seams{scheduler, camera, skype, sound, messages, skype, dialogs}, folder.path());
    frmTesting& form = program.main_window();
    // Whatever was read, the values must hold up in use: the rest of the start-up, one tick of
    // detection over the rectangle read, and the save at the end.
    form.show();
    scheduler.run_for(50);
    form.save_settings();
    if (!form.timMotion.enabled()) std::abort();
    return 0;
}
