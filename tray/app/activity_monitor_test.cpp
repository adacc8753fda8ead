#include "activity_monitor.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class ScriptedInputClock final : public InputClock {
public:
    std::vector<std::uint32_t> ticks;  // 0: the system cannot tell
    mutable std::size_t next = 0;
    bool lastInputTick(std::uint32_t& tick) const override {
        std::uint32_t value = next < ticks.size() ? ticks[next] : ticks.back();
        ++next;
        if (value == 0) return false;
        tick = value;
        return true;
    }
};

TEST(ActivityMonitor, ReportsOnceWhenInputStopsAndOnceWhenItStarts) {
    ScriptedInputClock clock;
    clock.ticks = {500, 500, 500, 900, 1400, 1400, 1400};
    ActivityMonitor monitor(clock);
    std::vector<std::optional<std::uint32_t>> reports;
    for (int i = 0; i < 7; ++i) reports.push_back(monitor.check());

    EXPECT_EQ(reports[0], std::nullopt);  // first input seen: active, as assumed
    EXPECT_EQ(reports[1], 500u);          // a whole tick without input: idle
    EXPECT_EQ(reports[2], std::nullopt);
    EXPECT_EQ(reports[3], 900u);          // input again: active
    EXPECT_EQ(reports[4], std::nullopt);
    EXPECT_EQ(reports[5], 1400u);
    EXPECT_EQ(reports[6], std::nullopt);
    EXPECT_TRUE(monitor.idle());
}

TEST(ActivityMonitor, AFailedQueryChangesNothing) {
    ScriptedInputClock clock;
    clock.ticks = {700, 0, 0, 700};
    ActivityMonitor monitor(clock);
    EXPECT_EQ(monitor.check(), std::nullopt);
    EXPECT_EQ(monitor.check(), std::nullopt);
    EXPECT_EQ(monitor.check(), std::nullopt);
    EXPECT_FALSE(monitor.idle());
    EXPECT_EQ(monitor.check(), 700u);  // still the same input as before the failures
}

}  // namespace
