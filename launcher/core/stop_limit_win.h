#pragma once
// "Stop Timeout" of a service: counts from the first stop request to the end of the process, whatever
// holds it up on the way (main, a stop() call, a non-daemon Java thread, the VM's destruction). When the
// limit passes, the action set for it runs on the limit's own thread; that action ends the process.
#include "unique_handle_win.h"

#include <functional>
#include <mutex>

class StopLimit {
public:
    using Action = std::function<void()>;

    StopLimit();
    // Ends the count without acting (a process that ends by itself never gets here).
    ~StopLimit();
    StopLimit(const StopLimit&) = delete;
    StopLimit& operator=(const StopLimit&) = delete;

    // Counts `milliseconds` from now, once: later calls, and 0, do nothing (false). The action runs under
    // the limit's lock, so whoever starts the limit must not hold a lock that the action takes.
    bool start(unsigned long milliseconds, Action atLimit);
    // Replaces the action, for when the one set refers to something about to go; waits while the old
    // one runs.
    void setAction(Action atLimit);

private:
    static DWORD WINAPI threadMain(void* limit);
    void waitAndAct();

    std::mutex lock_;
    Action action_;
    unsigned long milliseconds_ = 0;
    Win::UniqueHandle cancelled_;
    Win::UniqueHandle thread_;
};
