#pragma once
// A periodic window timer of the controller. Event ids come from one process-wide counter, so the
// controller's five timers get 0 to 4 in the order it creates them.
#include <windows.h>

class AppTimer {
public:
    AppTimer(HWND window, UINT periodMs);
    AppTimer(const AppTimer&) = delete;
    AppTimer& operator=(const AppTimer&) = delete;
    ~AppTimer() { stop(); }

    // Starts ticking and posts the first tick at once; nothing when already running.
    void start();
    void stop();

    UINT_PTR eventId() const { return eventId_; }
    bool running() const { return handle_ != 0; }

private:
    HWND window_;
    UINT_PTR eventId_;
    UINT periodMs_;
    UINT_PTR handle_ = 0;
};
