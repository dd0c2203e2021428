#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// SIGINT, SIGTERM and SIGHUP, turned into an ordinary event of the program's one thread, so the
// program ends through its normal exit and saves what it must. A second signal while the first is
// being handled ends the process at once, the usual way out of a program that does not respond.
// SIGPIPE is ignored: a write to an output nobody reads any more fails without ending the program.
class QuitSignals : public QObject {
  public:
    explicit QuitSignals(std::function<void()> on_quit);
    ~QuitSignals() override;

  private:
    static void handle(int signal);
    void read_signal();

    std::function<void()> on_quit_;
    QSocketNotifier* notifier_ = nullptr;
    bool quitting_ = false;
};
