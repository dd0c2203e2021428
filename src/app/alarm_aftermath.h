#pragma once

#include <QString>
#include <memory>

class Program;
class QProcess;

// What follows every alarm besides its own actions: one line in the journal that tells the whole
// alarm, the snapshot housekeeping, a folder that cannot take snapshots said in the window, and
// the user's own alarm command.
class AlarmAftermath {
  public:
    // The alarm command may run this long; then it is stopped and that is logged.
    static constexpr int command_limit_ms = 30'000;

    explicit AlarmAftermath(Program& program);
    ~AlarmAftermath();

    void snapshot_taken(const QString& path, bool saved);
    // After the alarm's actions: `sent` and `called` name who got the picture and the call.
    void alarm_fired(int peak, const QString& sent, const QString& called);
    // The housekeeping alone, as at start.
    void keep_house();

  private:
    void run_command(int peak);

    Program& program_;
    QString snapshot_path_;
    bool snapshot_saved_ = false;
    bool unsaved_told_ = false;
    std::unique_ptr<QProcess> command_;
    quint64 command_round_ = 0;
};
