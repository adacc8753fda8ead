#include "java_stop_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

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
// thread never started is withdrawn and leaves no trace, before main or after.
TEST(JavaStopGate, OnlyARequestThatReachedStopCountsAsAsked) {
    enum Step { Admit, Request, Withdraw, Begin, End };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool requested, reachedJava, mainAdmitted;
    };
    const Case cases[] = {
        {"thread not started while main runs", {Admit, Request, Withdraw}, false, false, true},
        {"thread not started before main", {Request, Withdraw, Admit}, false, false, true},
        {"stop() called", {Admit, Request, Begin, End}, true, true, true},
        {"remembered before main", {Request, Begin, End, Admit}, true, false, false},
        {"one of two threads not started", {Admit, Request, Begin, End, Request, Withdraw}, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JavaStopGate gate;
        bool admitted = false;
        for (Step step : c.steps) {
            if (step == Admit) admitted = gate.admitMain();
            if (step == Request) gate.requestStop();
            if (step == Withdraw) gate.withdrawStop();
            if (step == Begin) gate.beginStop();
            if (step == End) gate.endStop();
        }
        EXPECT_EQ(gate.stopRequested(), c.requested);
        EXPECT_EQ(gate.stopReachedJava(), c.reachedJava);
        EXPECT_EQ(admitted, c.mainAdmitted);
        auto draining = std::async(std::launch::async, [&] { gate.drain(); });
        EXPECT_EQ(draining.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "a request stayed under way";
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
