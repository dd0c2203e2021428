#pragma once

#include <QByteArray>

// Lines a service writes reach the journal through its standard output and error. journald
// reads a "<N>" at the start of a line as the line's priority (3 error ... 7 debug), so that
// `journalctl -p warning` shows the problems; on a terminal or in a file the mark is left off.
namespace journal {

enum Priority { error = 3, warning = 4, notice = 5, info = 6, debug = 7 };

// True when the descriptor is the stream the journal gave this service (JOURNAL_STREAM holds
// that stream's device and inode).
bool is_journal(int fd);

// "<N>" when `fd` goes to the journal, else nothing.
QByteArray prefix(int fd, Priority priority);

// Every Qt log message as one line on standard error, "category: message", with its priority
// mark when standard error is the journal.
void install_message_handler();

}  // namespace journal
