#include "time/qt_scheduler.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include "time/timer.h"

QtScheduler::QtScheduler() {
    clock_.start();
}

QtScheduler::~QtScheduler() = default;

void QtScheduler::block_for(int ms) {
    if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
}

std::function<void()> QtScheduler::handled(std::function<void()> event) {
    return [this, event = std::move(event)] {
        if (quit_) return;
        event();
        if (after_event && !quit_) after_event();
    };
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
        QObject::connect(qtimer.get(), &QTimer::timeout, &context_, [this, t = &timer] {
            if (quit_) return;
            t->tick();
            if (after_event && !quit_) after_event();
        });
    }
    qtimer->start(timer.interval());
}

void QtScheduler::stop_timer(Timer& timer) {
    auto found = timers_.find(&timer);
    if (found != timers_.end()) found->second->stop();
}
