#include "time/virtual_scheduler.h"

#include <algorithm>

#include "time/timer.h"

VirtualScheduler::VirtualScheduler(QDateTime start) : start_(std::move(start)) {}

void VirtualScheduler::block_for(int ms) {
    now_ += std::max(ms, 0);
}

void VirtualScheduler::post(std::function<void()> event) {
    post_after(0, std::move(event));
}

void VirtualScheduler::post_after(qint64 delay_ms, std::function<void()> event) {
    agenda_.emplace(Due{now_ + std::max<qint64>(delay_ms, 0), order_++},
                    Entry{nullptr, std::move(event)});
}

void VirtualScheduler::start_timer(Timer& timer) {
    stop_timer(timer);
    Due due{now_ + timer.interval(), order_++};
    agenda_.emplace(due, Entry{&timer, {}});
    timer_slots_[&timer] = due;
}

void VirtualScheduler::stop_timer(Timer& timer) {
    auto slot = timer_slots_.find(&timer);
    if (slot == timer_slots_.end()) return;
    agenda_.erase(slot->second);
    timer_slots_.erase(slot);
}

void VirtualScheduler::run_for(qint64 ms) {
    const qint64 until = now_ + std::max<qint64>(ms, 0);
    while (run_next(until)) {
    }
    now_ = std::max(now_, until);
}

bool VirtualScheduler::run_until(const std::function<bool()>& condition, qint64 limit_ms) {
    const qint64 until = now_ + std::max<qint64>(limit_ms, 0);
    if (condition()) return true;
    while (run_next(until)) {
        if (condition()) return true;
    }
    now_ = std::max(now_, until);
    return condition();
}

bool VirtualScheduler::run_next(qint64 until) {
    if (quit_ || agenda_.empty()) return false;
    auto first = agenda_.begin();
    // A handler that held the thread leaves later items overdue; they run at the new time.
    if (first->first.at > std::max(until, now_)) return false;
    const Due due = first->first;
    Entry entry = std::move(first->second);
    agenda_.erase(first);
    now_ = std::max(now_, due.at);
    if (entry.timer) {
        fire(*entry.timer, due.at);
    } else if (entry.event) {
        entry.event();
    }
    if (after_event && !quit_) after_event();
    return true;
}

void VirtualScheduler::fire(Timer& timer, qint64 due) {
    timer_slots_.erase(&timer);
    const quint64 start = timer.start_count();
    timer.tick();
    if (quit_ || !timer.enabled() || timer.start_count() != start) return;
    // Due again one interval later; a tick that comes late fires once and starts afresh.
    qint64 next = due + timer.interval();
    if (next < now_) next = now_ + timer.interval();
    Due slot{next, order_++};
    agenda_.emplace(slot, Entry{&timer, {}});
    timer_slots_[&timer] = slot;
}
