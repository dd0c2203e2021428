#pragma once

#include <QDateTime>
#include <deque>
#include <functional>
#include <map>
#include <utility>

#include "time/scheduler.h"

// Virtual time for tests and for replaying recorded footage: a clock that moves only when the
// caller runs it, and a queue of events and due timers handled strictly one at a time.
class VirtualScheduler : public Scheduler {
  public:
    explicit VirtualScheduler(QDateTime start = QDateTime(QDate(2007, 3, 15), QTime(14, 23, 0)));

    qint64 now_ms() const override { return now_; }
    QDateTime current_date_time() const override { return start_.addMSecs(now_); }
    void block_for(int ms) override;
    void post(std::function<void()> event) override;
    void quit() override { quit_ = true; }
    bool has_quit() const override { return quit_; }

    void post_after(qint64 delay_ms, std::function<void()> event) override;
    // Handles everything due up to now + ms, then leaves the clock there.
    void run_for(qint64 ms);
    // Runs until the condition holds (checked after each handler) or `limit_ms` have passed;
    // returns whether it held.
    bool run_until(const std::function<bool()>& condition, qint64 limit_ms);

  protected:
    void start_timer(Timer& timer) override;
    void stop_timer(Timer& timer) override;

  private:
    struct Due {
        qint64 at;
        quint64 order;  // first come, first served among equal times
        bool operator<(const Due& other) const {
            return at != other.at ? at < other.at : order < other.order;
        }
    };
    struct Entry {
        Timer* timer = nullptr;  // a timer tick, or else
        std::function<void()> event;
    };

    // Handles the next thing due at or before `until`; false when there is none.
    bool run_next(qint64 until);
    void fire(Timer& timer, qint64 due);

    QDateTime start_;
    qint64 now_ = 0;
    quint64 order_ = 0;
    bool quit_ = false;
    std::map<Due, Entry> agenda_;
    std::map<Timer*, Due> timer_slots_;
};
