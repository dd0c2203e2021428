#include "time/timer.h"

#include "time/scheduler.h"

Timer::Timer(Scheduler& scheduler, QString name, int interval_ms, std::function<void()> on_tick)
    : scheduler_(scheduler),
      name_(std::move(name)),
      interval_ms_(interval_ms),
      on_tick_(std::move(on_tick)) {}

Timer::~Timer() {
    if (enabled_) scheduler_.stop_timer(*this);
}

void Timer::set_enabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled) {
        ++start_count_;
        scheduler_.start_timer(*this);
    } else {
        scheduler_.stop_timer(*this);
    }
}

void Timer::tick() {
    if (enabled_ && on_tick_) on_tick_();
}
