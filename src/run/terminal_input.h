#pragma once

#include <QByteArray>
#include <QObject>
#include <functional>

class QSocketNotifier;

// Lines typed at the terminal (standard input), each handed over as an event of the program's
// one thread, without the line end. The end of input is reported once.
class TerminalInput : public QObject {
  public:
    TerminalInput(std::function<void(const QString& line)> on_line,
                  std::function<void()> on_end = {});

  private:
    void read_available();

    std::function<void(const QString&)> on_line_;
    std::function<void()> on_end_;
    QSocketNotifier* notifier_ = nullptr;
    QByteArray pending_;
};
