#include "java_stop_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace {

// drain() closes the gate as its first step, on its own thread: give that thread time to get there.
bool waitForBeginStopToRefuse(JavaStopGate& gate) {
    for (int i = 0; i < 1000 && gate.beginStop(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return gate.beginStop();
}

TEST(JavaStopGate, StopBeforeMainIsRememberedAndKeepsMainFromRunning) {
    JavaStopGate gate;
    EXPECT_FALSE(gate.stopRequested());
    gate.requestStop();
    EXPECT_FALSE(gate.beginStop()) << "no VM to call into yet";
    gate.endStop();
    EXPECT_TRUE(gate.stopRequested());
    EXPECT_FALSE(gate.admitMain());
    gate.requestStop();
    EXPECT_FALSE(gate.beginStop()) << "main never ran, so stop() is never called";
    gate.endStop();
}

TEST(JavaStopGate, EveryStopAfterMainReachesJava) {
    JavaStopGate gate;
    ASSERT_TRUE(gate.admitMain());
    gate.requestStop();
    ASSERT_TRUE(gate.beginStop());
    gate.requestStop();
    ASSERT_TRUE(gate.beginStop()) << "a repeated request calls stop() again";
    gate.endStop();
    gate.endStop();
    gate.close();
    gate.requestStop();
    EXPECT_FALSE(gate.beginStop()) << "after the run step nothing reaches Java";
    gate.endStop();
}

// Whether main ended because it was asked to: only a request that reached stop() says so. One whose
// thread never started is withdrawn and leaves no trace, before main or after. Steps: A admitMain,
// R requestStop, W withdrawStop, B beginStop, E endStop.
TEST(JavaStopGate, OnlyARequestThatReachedStopCountsAsAsked) {
    const struct {
        const char* steps;
        bool requested, reachedJava, mainAdmitted;
    } cases[] = {{"ARW", false, false, true}, {"RWA", false, false, true}, {"ARBE", true, true, true},
                 {"RBEA", true, false, false}, {"ARBERW", true, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps);
        JavaStopGate gate;
        bool admitted = false;
        for (const char* step = c.steps; *step; ++step) {
            if (*step == 'A') admitted = gate.admitMain();
            if (*step == 'R') gate.requestStop();
            if (*step == 'W') gate.withdrawStop();
            if (*step == 'B') gate.beginStop();
            if (*step == 'E') gate.endStop();
        }
        EXPECT_EQ(gate.stopRequested(), c.requested);
        EXPECT_EQ(gate.stopReachedJava(), c.reachedJava);
        EXPECT_EQ(admitted, c.mainAdmitted);
        gate.drain();  // hangs, and so fails, while a withdrawn request still counts as under way
    }
}

// Admission and a stop request racing: either main runs and the stop reaches it, or neither.
TEST(JavaStopGate, AdmissionAndStopNeverBothMissEachOther) {
    for (int round = 0; round < 2000; ++round) {
        JavaStopGate gate;
        std::atomic<bool> go{false};
        auto stop = std::async(std::launch::async, [&] {
            while (!go) {}
            gate.requestStop();
            const bool reached = gate.beginStop();
            gate.endStop();
            return reached;
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
    gate.requestStop();
    ASSERT_TRUE(gate.beginStop());
    auto closing = std::async(std::launch::async, [&] { gate.close(); });
    const bool closed = closing.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    closing.wait();
    EXPECT_TRUE(closed) << "close waited for the stop() call";
    EXPECT_FALSE(gate.beginStop()) << "after close nothing reaches Java";
    gate.endStop();
}

// Before the VM is destroyed: every request taken so far, in Java or not yet there, has ended; a request
// whose thread comes only after that point stays out of Java.
TEST(JavaStopGate, DrainWaitsForEveryRequestUnderWayAndLetsNoneIntoJavaAfterwards) {
    JavaStopGate gate;
    ASSERT_TRUE(gate.admitMain());
    gate.requestStop();  // in Java
    ASSERT_TRUE(gate.beginStop());
    gate.requestStop();  // taken, its thread not started yet
    auto draining = std::async(std::launch::async, [&] { gate.drain(); });
    EXPECT_EQ(draining.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout)
        << "drained with two requests under way";
    // The late thread comes: it must stay out of Java (the VM is about to go) and end its request.
    EXPECT_FALSE(waitForBeginStopToRefuse(gate)) << "a late request reached Java while the VM was going";
    gate.endStop();
    EXPECT_EQ(draining.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout)
        << "drained while stop() still ran";
    gate.endStop();
    EXPECT_EQ(draining.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "drain never ended";
    draining.wait();
    gate.requestStop();
    EXPECT_FALSE(gate.beginStop()) << "after the drain nothing reaches Java";
    gate.endStop();
    JavaStopGate quiet;
    quiet.drain();  // nothing under way: returns at once
}

}  // namespace
