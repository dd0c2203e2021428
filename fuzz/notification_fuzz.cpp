// Fuzzes everything that comes in over the chat link: each input is a series of notification
// lines (split at line feeds) handed to the program, a moment apart, and then enough time for
// every call timer to run (the video request comes on the fourth second of a call).
#include <QByteArray>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "test_program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    TestProgram t(folder.path());
    frmTesting& form = t.form;
    form.show();
    form.Text1.text = QStringLiteral("bob");
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& line : input.split('\n')) {
        t.skype.on_notification(QString::fromUtf8(line));
        t.scheduler.run_for(25);
    }
    t.scheduler.run_for(6'000);
    if (!form.loaded) std::abort();
    return 0;
}
