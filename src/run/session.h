#pragma once

#include <functional>
#include <memory>

#include "run/bindings.h"
#include "run/run_options.h"
#include "time/qt_scheduler.h"

class FileDialogs;
class Program;
class UserMessages;

// One run of the program on the real event loop: the scheduler, the bindings the command line
// chose, and the program on them. The face (terminal or windows) supplies the message boxes and
// the file dialogs.
class Session {
  public:
    Session(const RunOptions& options, UserMessages& messages, FileDialogs& dialogs);
    ~Session();

    // Shows the main window (which loads it), then does what the command line asked for once it
    // is up: the simulated owner as call target when none is set, motion sensing on.
    void show_main_window();

    const RunOptions& options() const { return options_; }
    QtScheduler& scheduler() { return scheduler_; }
    Program& program() { return *program_; }
    ClientCore* client() { return bindings_.client.get(); }
    Bindings& bindings() { return bindings_; }
    // The two below are set by report_problems_in, which each run calls with its own messages.
    // Device trouble found while running; the face decides how to show it.
    std::function<void(const QString&)> on_device_problem;
    // Why the messenger account cannot be used (a missing or unsafe file, a refused login).
    std::function<void(const QString&)> on_account_problem;
    // Both kinds of problem as message boxes titled "Camera" and "Messenger Account".
    void report_problems_in(UserMessages& messages);

  private:
    RunOptions options_;
    QtScheduler scheduler_;
    Bindings bindings_;
    std::unique_ptr<Program> program_;
};
