#include "app_timer_win.h"

namespace {
UINT_PTR nextEventId() {
    static UINT_PTR counter = 0;
    return counter++;
}
}  // namespace

AppTimer::AppTimer(HWND window, UINT periodMs) : window_(window), eventId_(nextEventId()), periodMs_(periodMs) {}

void AppTimer::start() {
    if (running()) return;
    handle_ = SetTimer(window_, eventId_, periodMs_, nullptr);
    if (!running() || tickPosted_) return;
    tickPosted_ = PostMessageW(window_, WM_TIMER, eventId_, 0) != FALSE;
}

void AppTimer::stop() {
    if (!running()) return;
    KillTimer(window_, eventId_);
    handle_ = 0;
}

bool AppTimer::takeTick() {
    // Posted messages come before the periodic ones, so the first tick after a post is the posted one.
    tickPosted_ = false;
    return running();
}
