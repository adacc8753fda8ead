#include "service_status.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using namespace ServiceStatus;

TEST(ServiceStatus, StopPendingPromisesProgressAndKeepsIt) {
    ServiceStatusValues s;
    s.checkPoint = 9;
    setRunning(s);
    EXPECT_EQ(s.checkPoint, 0u);
    EXPECT_FALSE(isStopRequest(4)) << "interrogate only re-reports";
    EXPECT_FALSE(advanceStopProgress(s)) << "no progress reports while running";
    EXPECT_EQ(s.checkPoint, 0u);

    setStopPending(s);
    EXPECT_EQ(s.currentState, 3u);
    EXPECT_EQ(s.waitHint, 3000u);
    EXPECT_EQ(s.checkPoint, 0u);
    EXPECT_EQ(s.controlsAccepted, 5u);
    ASSERT_TRUE(advanceStopProgress(s));
    ASSERT_TRUE(advanceStopProgress(s));
    EXPECT_EQ(s.checkPoint, 2u);
    setStopPending(s);  // a second stop request must not send the check point back
    EXPECT_EQ(s.checkPoint, 3u);
    EXPECT_EQ(s.waitHint, 3000u);
}

TEST(ServiceStatus, StoppedTellsAFailedRunFromACleanOne) {
    ServiceStatusValues s;
    setRunning(s);
    setStopPending(s);
    advanceStopProgress(s);
    setStopped(s, End::Clean);
    EXPECT_EQ(s.currentState, 1u);
    EXPECT_EQ(s.win32ExitCode, 0u);
    EXPECT_EQ(s.serviceSpecificExitCode, 0u);
    EXPECT_EQ(s.checkPoint + s.waitHint, 0u);
    EXPECT_FALSE(advanceStopProgress(s));

    // The codes the guide documents; each failure told apart from the others.
    const std::pair<End, std::uint32_t> failures[] = {
        {End::NotRun, 1}, {End::StopTimedOut, 2}, {End::MainThrew, 3}, {End::DetachFailed, 4}};
    for (const auto& [end, code] : failures) {
        setRunning(s);
        setStopPending(s);
        setStopped(s, end);
        EXPECT_EQ(s.currentState, 1u);
        EXPECT_EQ(s.win32ExitCode, 1066u);
        EXPECT_EQ(s.serviceSpecificExitCode, code);
    }
}

TEST(ServiceStatus, PreShutdownIsAcceptedOnlyWhenAskedForAndActsAsShutdown) {
    ServiceStatusValues s;
    setRunning(s);
    EXPECT_EQ(s.controlsAccepted, 5u);
    setRunning(s, true);
    EXPECT_EQ(s.controlsAccepted, 0x105u);
    EXPECT_TRUE(isStopRequest(15));
    EXPECT_TRUE(isStopRequest(5));
}

}  // namespace
