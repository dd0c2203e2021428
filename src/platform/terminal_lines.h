#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <functional>

// Lines from a file descriptor (the terminal) as they are typed, without ever waiting for one:
// the event loop says when there is something to read. The end of the input is told once.
class TerminalLines : public QObject {
  public:
    explicit TerminalLines(int fd = 0);

    // Set by the program that reads the terminal: the headless run, vq-skype-sim.
    std::function<void(const QString& line)> on_line;
    std::function<void()> on_end;

  private:
    void readable();
    void end();

    int fd_;
    QSocketNotifier notifier_;
    QByteArray pending_;
    bool ended_ = false;
};
