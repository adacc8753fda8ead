#pragma once
// Orders service stop requests against the start of the Java main method and the end of the VM. A
// request that comes before main is remembered and main is then never called; once main has been
// admitted, a request goes to Java's stop(). The check and the admission happen under one lock, so
// they cannot race, and no request reaches Java before the VM exists (it is admitted only after
// creation) or after the run step has ended (close()).
//
// A request counts as under way from the moment it is taken (requestStop(), on the thread that takes
// it, before any stop thread exists) until its thread is done with it (endStop()). drain() waits for
// every request under way, so the VM can be destroyed, and the launcher with it, behind the last one.
#include <condition_variable>
#include <mutex>

class JavaStopGate {
public:
    // On the VM thread, just before main: false when a stop request came first.
    bool admitMain();
    // A stop request has been taken; it is under way until endStop(), or withdrawStop() when no thread
    // could be started for it.
    void requestStop();
    // A request that never got a thread: it has no effect, neither on main nor on how the run ends.
    void withdrawStop();
    // On the request's stop thread: true when stop() is to be called now. Otherwise the request was
    // remembered (before main) or comes too late (after close). endStop() follows either way.
    bool beginStop();
    // The request's thread is done with the VM and with the launcher.
    void endStop();
    // A request has come in and was not withdrawn (whether or not it reached Java).
    bool stopRequested();
    // A request has reached Java's stop(): only then did main end because it was asked to.
    bool stopReachedJava();
    // After the run step: later requests stay out of Java. Calls already under way go on; the
    // service's STOPPED report does not wait for them.
    void close();
    // close(), then wait until no request is under way.
    void drain();

private:
    std::mutex lock_;
    std::condition_variable ended_;
    bool mainAdmitted_ = false;
    int requests_ = 0;  // taken and not withdrawn
    bool stopReachedJava_ = false;
    bool closed_ = false;
    int underWay_ = 0;
};
