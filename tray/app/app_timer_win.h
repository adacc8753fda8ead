#pragma once
// A periodic window timer of the controller. Event ids come from one process-wide counter, so the
// controller's five timers get 0 to 4 in the order it creates them.
// A start posts its first tick at once. At most one such tick waits in the queue: a timer started
// and stopped many times over (statistics whose activity flag alternates) must not leave a tick
// per start behind, and a tick that arrives while the timer is stopped is not acted on.
#include <windows.h>

class AppTimer {
public:
    AppTimer(HWND window, UINT periodMs);
    AppTimer(const AppTimer&) = delete;
    AppTimer& operator=(const AppTimer&) = delete;
    ~AppTimer() { stop(); }

    // Starts ticking and posts the first tick at once, unless one posted earlier still waits (it
    // then serves as the first); nothing when already running.
    void start();
    void stop();
    // A timer message with this timer's id arrived: true when it is to be acted on (the timer runs).
    bool takeTick();

    UINT_PTR eventId() const { return eventId_; }
    bool running() const { return handle_ != 0; }

private:
    HWND window_;
    UINT_PTR eventId_;
    UINT periodMs_;
    UINT_PTR handle_ = 0;
    bool tickPosted_ = false;
};
