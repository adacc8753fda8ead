#pragma once
// A periodic window timer of the controller. Event ids come from one process-wide counter, so the
// controller's five timers get 0 to 4 in the order it creates them.
// A start posts its first tick at once. At most one such tick waits in the queue: a timer started
// and stopped many times over (statistics whose activity flag alternates) must not leave a tick
// per start behind, and a tick that arrives while the timer is stopped is not acted on.
#include <windows.h>

class AppTimer {
public:
    // Settling: a stop only marks the timer stopped and the system timer ends at its next tick, so
    // a timer started and stopped at every frame (statistics whose activity flag alternates) costs
    // no system call per frame. A start while it still ticks keeps its period's phase.
    enum class Stop { AtOnce, AtNextTick };
    AppTimer(HWND window, UINT periodMs, Stop stopMode = Stop::AtOnce);
    AppTimer(const AppTimer&) = delete;
    AppTimer& operator=(const AppTimer&) = delete;
    ~AppTimer() { endSystemTimer(); }

    // Starts ticking and posts the first tick at once, unless one posted earlier still waits (it
    // then serves as the first); nothing when already running.
    void start();
    void stop();
    // A timer message with this timer's id arrived: true when it is to be acted on (the timer runs).
    bool takeTick();

    UINT_PTR eventId() const { return eventId_; }
    bool running() const { return wanted_; }

private:
    void endSystemTimer();

    HWND window_;
    UINT_PTR eventId_;
    UINT periodMs_;
    Stop stopMode_;
    UINT_PTR handle_ = 0;  // the system timer; it may outlive a settling stop until its next tick
    bool wanted_ = false;
    bool tickPosted_ = false;
};
