#include "platform/console_messages.h"

#include <unistd.h>
#include <cstdio>

#include "log/journal.h"

// A box nobody can see is a problem to be read later: a warning in the journal.
void ConsoleMessages::message_box(const QString& title, const QString& text) {
    static const QByteArray mark = journal::prefix(STDERR_FILENO, journal::warning);
    QString line = QStringLiteral("[%1] %2").arg(title, text);
    line.replace('\n', QLatin1Char(' '));
    std::fprintf(stderr, "%s%s\n", mark.constData(), qPrintable(line));
    std::fflush(stderr);
}
