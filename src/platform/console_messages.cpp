#include "platform/console_messages.h"

#include <cstdio>

void ConsoleMessages::message_box(const QString& title, const QString& text) {
    std::fprintf(stderr, "[%s] %s\n", qPrintable(title), qPrintable(text));
    std::fflush(stderr);
}
