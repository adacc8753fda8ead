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
    gate.endStop();
    ASSERT_TRUE(gate.beginStop()) << "a repeated request calls stop() again";
    gate.endStop();
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
            const bool reached = gate.beginStop();
            if (reached) gate.endStop();
            return reached;
        });
        go = true;
        const bool admitted = gate.admitMain();
        const bool reached = stop.get();
        ASSERT_EQ(admitted, reached) << "round " << round;
    }
}

TEST(JavaStopGate, CloseWaitsForAStopCallUnderWay) {
    JavaStopGate gate;
    ASSERT_TRUE(gate.admitMain());
    ASSERT_TRUE(gate.beginStop());
    std::atomic<bool> callEnded{false};
    std::thread stopCall([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        callEnded = true;
        gate.endStop();
    });
    gate.close();
    EXPECT_TRUE(callEnded) << "close returned while stop() was still running";
    stopCall.join();
}

}  // namespace
