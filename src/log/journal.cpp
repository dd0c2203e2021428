#include "log/journal.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QString>
#include <QtGlobal>
#include <cstdio>

namespace journal {

bool is_journal(int fd) {
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    const qsizetype colon = stream.indexOf(':');
    if (colon <= 0) return false;
    struct stat status {};
    if (::fstat(fd, &status) != 0) return false;
    bool device_ok = false, inode_ok = false;
    const qulonglong device = stream.left(colon).toULongLong(&device_ok);
    const qulonglong inode = stream.mid(colon + 1).toULongLong(&inode_ok);
    return device_ok && inode_ok && device == static_cast<qulonglong>(status.st_dev) &&
           inode == static_cast<qulonglong>(status.st_ino);
}

QByteArray prefix(int fd, Priority priority) {
    if (!is_journal(fd)) return {};
    return '<' + QByteArray::number(static_cast<int>(priority)) + '>';
}

namespace {
Priority priority_of(QtMsgType type) {
    switch (type) {
        case QtDebugMsg:
            return debug;
        case QtInfoMsg:
            return info;
        case QtWarningMsg:
            return warning;
        case QtCriticalMsg:
        case QtFatalMsg:
            return error;
    }
    return info;
}

void write_message(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // Decided once: the stream does not change while the program runs.
    static const bool to_journal = is_journal(STDERR_FILENO);
    QByteArray mark;
    if (to_journal) mark = '<' + QByteArray::number(static_cast<int>(priority_of(type))) + '>';
    QByteArray text = message.toLocal8Bit();
    const QByteArray category(context.category ? context.category : "");
    if (!category.isEmpty() && category != "default") text = category + ": " + text;
    // journald reads each line on its own: every one carries the mark.
    text.replace('\n', '\n' + mark);
    std::fprintf(stderr, "%s%s\n", mark.constData(), text.constData());
    std::fflush(stderr);
    if (type == QtFatalMsg) std::abort();
}
}  // namespace

void install_message_handler() {
    qInstallMessageHandler(write_message);
}

}  // namespace journal
