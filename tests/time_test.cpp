#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <QElapsedTimer>
#include <QThread>

#include "time/lifetime.h"
#include "time/qt_scheduler.h"
#include "time/timer.h"
#include "time/virtual_scheduler.h"

namespace {

struct TimeTest : ::testing::Test {
    VirtualScheduler scheduler;
    std::vector<qint64> ticks;
    Timer timer{scheduler, "t", 1000, [this] { ticks.push_back(scheduler.now_ms()); }};
};

// Enabling a running timer changes nothing, stopping and starting it begins a fresh interval,
// and after quit nothing runs.
TEST_F(TimeTest, ATimerTicksAFullIntervalAfterItWasStarted) {
    scheduler.run_for(300);
    timer.set_enabled(true);  // due at 1300
    scheduler.run_for(600);
    timer.set_enabled(true);  // already running: still due at 1300
    scheduler.run_for(1200);
    timer.set_enabled(false);
    timer.set_enabled(true);  // due at 3100
    scheduler.post_after(1500, [&] { scheduler.quit(); });
    scheduler.run_for(5000);
    EXPECT_EQ(ticks, (std::vector<qint64>{1300, 3100}));
}

TEST_F(TimeTest, ALateTimerFiresOnceNotOncePerMissedPeriod) {
    timer.set_enabled(true);
    scheduler.post_after(500, [&] { scheduler.block_for(3200); });  // held until 3700
    scheduler.run_for(5000);
    // Due at 1000, 2000, 3000 while held: one late tick at 3700, then a full interval.
    EXPECT_EQ(ticks, (std::vector<qint64>{3700, 4700}));
}

TEST_F(TimeTest, ATimerRestartedInsideItsOwnTickWaitsAFullInterval) {
    timer.set_on_tick([this] {
        ticks.push_back(scheduler.now_ms());
        if (ticks.size() > 1) return;
        scheduler.block_for(400);
        timer.set_enabled(false);
        timer.set_enabled(true);  // restarted at 1400
    });
    timer.set_enabled(true);
    scheduler.run_for(3500);
    EXPECT_EQ(ticks, (std::vector<qint64>{1000, 2400, 3400}));
}

TEST_F(TimeTest, EventsRunInOrderAndBlockingRunsNothing) {
    std::vector<int> order;
    scheduler.post([&] {
        order.push_back(1);
        scheduler.block_for(2000);
        order.push_back(2);
    });
    scheduler.post_after(1000, [&] { order.push_back(3); });
    scheduler.post([&] { order.push_back(4); });
    scheduler.run_for(10);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 4, 3}));
    EXPECT_EQ(scheduler.now_ms(), 2000);
}

// Guarded events queued by an owner run while it lives and never after it ended or went, with
// their arguments passed on; the guard of one owner says nothing about another's.
TEST_F(TimeTest, GuardedEventsNeverRunAfterTheirOwnerEnded) {
    std::vector<int> ran;
    auto first = std::make_unique<Lifetime>();
    Lifetime second;
    scheduler.post(first->guard([&] { ran.push_back(1); }));
    scheduler.post_after(10, first->guard([&] { ran.push_back(2); }));
    scheduler.post_after(10, second.guard([&] { ran.push_back(3); }));
    auto with_argument = second.guard([&](int n) { ran.push_back(n); });
    scheduler.run_for(5);
    first.reset();
    scheduler.run_for(10);
    with_argument(4);
    second.end();
    with_argument(5);
    EXPECT_EQ(ran, (std::vector<int>{1, 3, 4}));
}

// The in-process client's network goes on while the program waits (as the client in a process
// of its own did), and no handler of the program runs meanwhile.
TEST(QtSchedulerTest, ABlockingWaitLetsTheClientWorkAndRunsNoHandler) {
    QtScheduler scheduler;
    int slices = 0;
    scheduler.while_blocked = [&](int ms) {
        ++slices;
        QThread::msleep(static_cast<unsigned long>(std::min(ms, 10)));
    };
    bool handled = false;
    scheduler.post([&] { handled = true; });
    scheduler.post_after(50, [&] { handled = true; });
    QElapsedTimer clock;
    clock.start();
    scheduler.block_for(200);
    EXPECT_GE(clock.elapsed(), 200);
    EXPECT_GE(slices, 10);
    EXPECT_FALSE(handled);
}

}  // namespace
