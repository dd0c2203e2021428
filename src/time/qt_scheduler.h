#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "time/scheduler.h"

class QTimer;

// Real time on the Qt event loop of the one thread. Each model timer is backed by a QTimer; a
// QTimer that comes due late fires once, as the model's timers must.
class QtScheduler : public Scheduler {
  public:
    QtScheduler();
    ~QtScheduler() override;

    qint64 now_ms() const override { return clock_.elapsed(); }
    QDateTime current_date_time() const override { return QDateTime::currentDateTime(); }
    void block_for(int ms) override;
    void post(std::function<void()> event) override;
    void post_after(qint64 delay_ms, std::function<void()> event) override;
    void quit() override;
    bool has_quit() const override { return quit_; }

  protected:
    void start_timer(Timer& timer) override;
    void stop_timer(Timer& timer) override;

  private:
    // The event as the loop runs it: not after the end, and followed by the display's catch-up.
    std::function<void()> handled(std::function<void()> event);
    // Runs one handler. A handler that waits for the user (a message box, a file dialog) runs a
    // loop of its own, in which timers and events still come due: they wait until it has ended,
    // so no handler ever starts inside another. A timer that came due meanwhile fires once.
    void run_handler(const std::function<void()>& handler);
    void tick(Timer& timer);

    QElapsedTimer clock_;
    QObject context_;
    bool quit_ = false;
    std::map<Timer*, std::unique_ptr<QTimer>> timers_;
    bool running_ = false;
    std::vector<std::function<void()>> deferred_;
    std::set<Timer*> deferred_ticks_;
};
