#pragma once

#include <QString>
#include <functional>

class Scheduler;

// A named periodic callback. Enabling a stopped timer starts a full interval; enabling a running
// one changes nothing; a timer that comes due late (the thread was held) fires once, not once per
// missed period.
class Timer {
  public:
    Timer(Scheduler& scheduler, QString name, int interval_ms, std::function<void()> on_tick = {});
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    const QString& name() const { return name_; }
    int interval() const { return interval_ms_; }
    bool enabled() const { return enabled_; }
    void set_enabled(bool enabled);
    void set_on_tick(std::function<void()> on_tick) { on_tick_ = std::move(on_tick); }

    // Each start gets a new number, so a scheduler can tell a timer that was stopped and
    // started again inside its own tick (which must begin a fresh full interval).
    quint64 start_count() const { return start_count_; }

    // Runs the callback; called by the scheduler when the timer is due.
    void tick();

  private:
    Scheduler& scheduler_;
    QString name_;
    int interval_ms_;
    std::function<void()> on_tick_;
    bool enabled_ = false;
    quint64 start_count_ = 0;
};
