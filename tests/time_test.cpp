#include <gtest/gtest.h>

#include <vector>

#include "time/timer.h"
#include "time/virtual_scheduler.h"

namespace {

struct TimeTest : ::testing::Test {
    VirtualScheduler scheduler;
    std::vector<qint64> ticks;
    Timer timer{scheduler, "t", 1000, [this] { ticks.push_back(scheduler.now_ms()); }};
};

TEST_F(TimeTest, EnablingStartsAFullIntervalAndEnablingAgainChangesNothing) {
    scheduler.run_for(300);
    timer.set_enabled(true);  // due at 1300
    scheduler.run_for(600);
    timer.set_enabled(true);  // already running: still due at 1300
    scheduler.run_for(2500);
    EXPECT_EQ(ticks, (std::vector<qint64>{1300, 2300, 3300}));
}

TEST_F(TimeTest, StoppingAndStartingAgainBeginsAFreshInterval) {
    timer.set_enabled(true);
    scheduler.run_for(700);
    timer.set_enabled(false);
    timer.set_enabled(true);
    scheduler.run_for(2000);
    EXPECT_EQ(ticks, (std::vector<qint64>{1700, 2700}));
}

TEST_F(TimeTest, ALateTimerFiresOnceNotOncePerMissedPeriod) {
    bool held = false;
    Timer holder(scheduler, "holder", 500, [&] {
        if (!held) scheduler.block_for(3200);
        held = true;
    });
    timer.set_enabled(true);
    holder.set_enabled(true);  // at 500 it holds the thread until 3700
    scheduler.run_for(5000);
    // Due at 1000, 2000, 3000 while held: one late tick at 3700, then a full interval.
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_EQ(ticks[0], 3700);
    EXPECT_EQ(ticks[1], 4700);
}

TEST_F(TimeTest, ATimerRestartedInsideItsOwnTickWaitsAFullInterval) {
    timer.set_on_tick([this] {
        ticks.push_back(scheduler.now_ms());
        if (ticks.size() == 1) {
            scheduler.block_for(400);
            timer.set_enabled(false);
            timer.set_enabled(true);  // restarted at 1400
        }
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

TEST_F(TimeTest, NothingRunsAfterQuit) {
    timer.set_enabled(true);
    scheduler.post_after(1500, [&] { scheduler.quit(); });
    scheduler.run_for(5000);
    EXPECT_EQ(ticks, (std::vector<qint64>{1000}));
}

TEST_F(TimeTest, WallClockFollowsVirtualTime) {
    const QDateTime start = scheduler.current_date_time();
    scheduler.block_for(61'000);
    EXPECT_EQ(start.secsTo(scheduler.current_date_time()), 61);
}

}  // namespace
