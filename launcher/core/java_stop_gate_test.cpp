#include "java_stop_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace {

TEST(JavaStopGate, StopBeforeMainIsRememberedAndKeepsMainFromRunning) {
    JavaStopGate gate;
    EXPECT_FALSE(gate.stopRequested());
    EXPECT_FALSE(gate.beginStop()) << "no VM to call into yet";
    EXPECT_TRUE(gate.stopRequested());
    EXPECT_FALSE(gate.admitMain());
    EXPECT_FALSE(gate.beginStop()) << "main never ran, so stop() is never called";
}

TEST(JavaStopGate, EveryStopAfterMainReachesJava) {
    JavaStopGate gate;
    ASSERT_TRUE(gate.admitMain());
    ASSERT_TRUE(gate.beginStop());
    ASSERT_TRUE(gate.beginStop()) << "a repeated request calls stop() again";
    gate.close();
    EXPECT_FALSE(gate.beginStop()) << "after the run step nothing reaches Java";
}

// Admission and a stop request racing: either main runs and the stop reaches it, or neither.
TEST(JavaStopGate, AdmissionAndStopNeverBothMissEachOther) {
    for (int round = 0; round < 2000; ++round) {
        JavaStopGate gate;
        std::atomic<bool> go{false};
        auto stop = std::async(std::launch::async, [&] {
            while (!go) {}
            return gate.beginStop();
        });
        go = true;
        const bool admitted = gate.admitMain();
        const bool reached = stop.get();
        ASSERT_EQ(admitted, reached) << "round " << round;
    }
}

// The service reports STOPPED once main has returned, even while a stop() call still runs.
TEST(JavaStopGate, CloseDoesNotWaitForAStopCallUnderWay) {
    JavaStopGate gate;
    ASSERT_TRUE(gate.admitMain());
    ASSERT_TRUE(gate.beginStop());
    auto closing = std::async(std::launch::async, [&] { gate.close(); });
    const bool closed = closing.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    closing.wait();
    EXPECT_TRUE(closed) << "close waited for the stop() call";
    EXPECT_FALSE(gate.beginStop()) << "after close nothing reaches Java";
}

}  // namespace
