#include "platform/terminal_lines.h"

#include <fcntl.h>
#include <unistd.h>
#include <QTimer>
#include <cerrno>

TerminalLines::TerminalLines(int fd) : fd_(fd), notifier_(fd, QSocketNotifier::Read) {
    connect(&notifier_, &QSocketNotifier::activated, this, [this] { readable(); });
    // A closed descriptor has no input at all.
    if (fcntl(fd_, F_GETFD) < 0) QTimer::singleShot(0, this, [this] { end(); });
}

void TerminalLines::readable() {
    char buffer[4096];
    const ssize_t got = ::read(fd_, buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (got <= 0) return end();
    pending_.append(buffer, got);
    qsizetype newline;
    while ((newline = pending_.indexOf('\n')) >= 0) {
        QByteArray line = pending_.left(newline);
        pending_.remove(0, newline + 1);
        if (line.endsWith('\r')) line.chop(1);
        if (on_line) on_line(QString::fromUtf8(line));
    }
}

void TerminalLines::end() {
    if (ended_) return;
    ended_ = true;
    notifier_.setEnabled(false);
    // The last line may lack its line end.
    if (!pending_.isEmpty() && on_line) on_line(QString::fromUtf8(pending_));
    pending_.clear();
    if (on_end) on_end();
}
