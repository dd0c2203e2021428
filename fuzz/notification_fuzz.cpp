// Fuzzes everything that comes in over the chat link: each input is a series of notification
// lines (split at line feeds) handed to the program, with time passing between them.
#include <QByteArray>
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
    VirtualScheduler scheduler;
    Journal journal(scheduler);
    ScriptedCamera camera(journal);
    RecordingSkype skype(journal);
    RecordingSound sound(journal);
    RecordingMessages messages(journal);
    ScriptedDialogs dialogs;
    Program program(Seams{scheduler, camera, skype, sound, messages, skype, dialogs}, folder.path());
    frmTesting& form = program.main_window();
    form.show();
    form.Text1.text = QStringLiteral("bob");
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& line : input.split('\n')) {
        skype.on_notification(QString::fromUtf8(line));
        scheduler.run_for(700);
    }
    if (!form.loaded) std::abort();
    return 0;
}
