// Lines typed on the terminal, read as they come.
#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/terminal_lines.h"
#include "qt_printers.h"
#include "wait_until.h"

namespace {

TEST(TerminalLines, SplitsWhatArrivesIntoLinesAndTellsTheEndOnce) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    TerminalLines input(ends[0]);
    QStringList lines;
    int ended = 0;
    input.on_line = [&](const QString& line) { lines.append(line); };
    input.on_end = [&] { ++ended; };

    const QByteArray first = "motion on\r\nsta";
    ASSERT_EQ(write(ends[1], first.data(), first.size()), first.size());
    ASSERT_TRUE(wait_until([&] { return !lines.isEmpty(); }));
    const QByteArray rest = "tus\n\nh\xc3\xa9llo";
    ASSERT_EQ(write(ends[1], rest.data(), rest.size()), rest.size());
    close(ends[1]);
    ASSERT_TRUE(wait_until([&] { return ended > 0; }));
    EXPECT_EQ(lines, (QStringList{"motion on", "status", "", QString::fromUtf8("h\xc3\xa9llo")}));
    EXPECT_EQ(ended, 1);
    close(ends[0]);
}

}  // namespace
