#include "run/terminal_input.h"

#include <unistd.h>
#include <QSocketNotifier>
#include <QString>

TerminalInput::TerminalInput(std::function<void(const QString&)> on_line,
                             std::function<void()> on_end)
    : on_line_(std::move(on_line)), on_end_(std::move(on_end)) {
    notifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { read_available(); });
}

void TerminalInput::read_available() {
    char buffer[4096];
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got <= 0) {
        notifier_->setEnabled(false);
        if (!pending_.isEmpty() && on_line_) on_line_(QString::fromLocal8Bit(pending_));
        pending_.clear();
        if (on_end_) on_end_();
        return;
    }
    pending_.append(buffer, got);
    qsizetype end;
    while ((end = pending_.indexOf('\n')) >= 0) {
        QByteArray line = pending_.left(end);
        pending_.remove(0, end + 1);
        if (line.endsWith('\r')) line.chop(1);
        if (on_line_) on_line_(QString::fromLocal8Bit(line));
    }
}
