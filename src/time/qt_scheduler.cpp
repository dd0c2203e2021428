#include "time/qt_scheduler.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include "time/timer.h"

QtScheduler::QtScheduler() {
    clock_.start();
}

QtScheduler::~QtScheduler() = default;

void QtScheduler::block_for(int ms) {
    if (ms <= 0) return;
    if (!while_blocked) {
        QThread::msleep(static_cast<unsigned long>(ms));
        return;
    }
    const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    for (qint64 left = ms; left > 0; left = deadline.remainingTime())
        while_blocked(static_cast<int>(left));
}

std::function<void()> QtScheduler::handled(std::function<void()> event) {
    return [this, event = std::move(event)] { run_handler(event); };
}

void QtScheduler::run_handler(const std::function<void()>& handler) {
    if (quit_) return;
    if (running_) {
        deferred_.push_back(handler);
        return;
    }
    running_ = true;
    handler();
    if (after_event && !quit_) after_event();
    running_ = false;
    std::vector<std::function<void()>> waiting;
    waiting.swap(deferred_);
    for (auto& event : waiting) post(std::move(event));
}

void QtScheduler::tick(Timer& timer) {
    if (!running_) return run_handler([&timer] { timer.tick(); });
    // Once, however many periods pass while the thread is held.
    if (!deferred_ticks_.insert(&timer).second) return;
    deferred_.push_back([this, t = &timer] {
        if (deferred_ticks_.erase(t) > 0) t->tick();
    });
}

void QtScheduler::post(std::function<void()> event) {
    QMetaObject::invokeMethod(&context_, handled(std::move(event)), Qt::QueuedConnection);
}

void QtScheduler::post_after(qint64 delay_ms, std::function<void()> event) {
    if (delay_ms <= 0) return post(std::move(event));
    QTimer::singleShot(std::chrono::milliseconds(delay_ms), Qt::PreciseTimer, &context_,
                       handled(std::move(event)));
}

void QtScheduler::quit() {
    quit_ = true;
    for (auto& [timer, qtimer] : timers_) qtimer->stop();
    QCoreApplication::exit(0);
}

void QtScheduler::start_timer(Timer& timer) {
    auto& qtimer = timers_[&timer];
    if (!qtimer) {
        qtimer = std::make_unique<QTimer>();
        qtimer->setTimerType(Qt::PreciseTimer);
        QObject::connect(qtimer.get(), &QTimer::timeout, &context_,
                         [this, t = &timer] { tick(*t); });
    }
    qtimer->start(timer.interval());
}

void QtScheduler::stop_timer(Timer& timer) {
    auto found = timers_.find(&timer);
    if (found != timers_.end()) found->second->stop();
    deferred_ticks_.erase(&timer);
}
