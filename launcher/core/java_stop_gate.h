#pragma once
// Orders service stop requests against the start of the Java main method. A request that comes
// before main is remembered and main is then never called; once main has been admitted, a request
// goes to Java's stop(). The check and the admission happen under one lock, so they cannot race,
// and no request reaches Java before the VM exists (it is admitted only after creation) or after
// the run step has ended (close()).
#include <mutex>

class JavaStopGate {
public:
    // On the VM thread, just before main: false when a stop request came first.
    bool admitMain();
    // On a stop thread: true when stop() is to be called now. Otherwise the request is remembered
    // (before main) or dropped (after close).
    bool beginStop();
    // A request has come in (whether or not it reached Java).
    bool stopRequested();
    // After the run step: later requests stay out of Java. Calls already under way go on; the VM's
    // destruction waits for them, the service's STOPPED report does not.
    void close();

private:
    std::mutex lock_;
    bool mainAdmitted_ = false;
    bool stopRequested_ = false;
    bool closed_ = false;
};
