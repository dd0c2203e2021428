#pragma once

#include <QDateTime>
#include <functional>

class Timer;

// Everything the program does happens on one thread, one handler at a time. The scheduler is
// the only source of time for the logic: timers, the wall clock, blocking waits and queued
// events (notifications from the chat link, user actions) all come from it, so tests can run
// the program in virtual time and a run is an exact, repeatable script.
class Scheduler {
  public:
    virtual ~Scheduler() = default;

    // Milliseconds on a monotonic clock.
    virtual qint64 now_ms() const = 0;
    // Local date and time, as the user's clock shows it.
    virtual QDateTime current_date_time() const = 0;
    // Holds the thread: no handler, timer or event runs meanwhile.
    virtual void block_for(int ms) = 0;
    // Queues an event behind those already waiting.
    virtual void post(std::function<void()> event) = 0;
    // Queues an event to be handled `delay_ms` from now.
    virtual void post_after(qint64 delay_ms, std::function<void()> event) = 0;
    // The program ends at once: nothing queued or due runs any more.
    virtual void quit() = 0;
    virtual bool has_quit() const = 0;

    // Runs after every handled timer tick or event: where the display catches up with the models.
    // Set by the desktop's binder, the headless run's status watch or the replay.
    std::function<void()> after_event;
    // Work that goes on while the thread is held in block_for: a client's network I/O, which in
    // the program's design lived in a process of its own. Given the time left, it returns within
    // it; it runs no handler, timer or event of the program.
    std::function<void(int ms)> while_blocked;

  protected:
    friend class Timer;
    // Called by a timer when it is enabled (a full interval from now) and when it stops.
    virtual void start_timer(Timer& timer) = 0;
    virtual void stop_timer(Timer& timer) = 0;
};
