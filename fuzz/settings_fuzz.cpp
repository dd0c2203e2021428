// Fuzzes the reading of the settings file: whatever bytes "vq.stp" holds, the start-up must end
// with the program running.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "test_program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    {
        QFile file(folder.path() + "/vq.stp");
        if (!file.open(QIODevice::WriteOnly)) return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    TestProgram t(folder.path());
    frmTesting& form = t.form;
    // Whatever was read, the values must hold up in use: the rest of the start-up, one tick of
    // detection over the rectangle read, and the save at the end.
    form.show();
    t.scheduler.run_for(50);
    form.save_settings();
    if (!form.timMotion.enabled()) std::abort();
    return 0;
}
