#pragma once

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

// Waits on the event loop until the condition holds; false when the limit passed first. The
// limit only keeps a broken run from hanging: nothing is measured with it.
inline bool wait_until(const std::function<bool()>& condition, int limit_ms = 20'000) {
    const QDeadlineTimer deadline(limit_ms);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}
