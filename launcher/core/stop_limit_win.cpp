#include "stop_limit_win.h"

StopLimit::StopLimit() : cancelled_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

StopLimit::~StopLimit() {
    SetEvent(cancelled_.get());
    HANDLE thread;
    {
        std::lock_guard<std::mutex> hold(lock_);
        thread = thread_.get();
    }
    if (thread) WaitForSingleObject(thread, INFINITE);
}

bool StopLimit::start(unsigned long milliseconds, Action atLimit) {
    std::lock_guard<std::mutex> hold(lock_);
    if (thread_ || milliseconds == 0) return false;
    milliseconds_ = milliseconds;
    action_ = std::move(atLimit);
    thread_.reset(CreateThread(nullptr, 0, threadMain, this, 0, nullptr));
    return static_cast<bool>(thread_);
}

void StopLimit::setAction(Action atLimit) {
    std::lock_guard<std::mutex> hold(lock_);
    action_ = std::move(atLimit);
}

DWORD WINAPI StopLimit::threadMain(void* limit) {
    static_cast<StopLimit*>(limit)->waitAndAct();
    return 0;
}

void StopLimit::waitAndAct() {
    if (WaitForSingleObject(cancelled_.get(), milliseconds_) != WAIT_TIMEOUT) return;
    std::lock_guard<std::mutex> hold(lock_);
    if (action_) action_();
}
