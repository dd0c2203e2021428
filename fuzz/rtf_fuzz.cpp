// Fuzzes the rich-text reader: whatever bytes a document holds, reading must end, leave a
// document that holds whole characters, and never touch memory it does not own.
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdint>
#include <cstdlib>

#include "text/rtf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "vq_fuzz_rtf";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication application(argc, argv);
    }
    QTextDocument document;
    RtfReader::read(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                    document);
    const QString text = document.toPlainText();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && (i + 1 >= text.size() || !text[i + 1].isLowSurrogate()))
            std::abort();
        if (text[i].isLowSurrogate() && (i == 0 || !text[i - 1].isHighSurrogate())) std::abort();
    }
    return 0;
}
