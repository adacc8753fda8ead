#include "app_timer_win.h"

namespace {
UINT_PTR nextEventId() {
    static UINT_PTR counter = 0;
    return counter++;
}
}  // namespace

AppTimer::AppTimer(HWND window, UINT periodMs, Stop stopMode)
    : window_(window), eventId_(nextEventId()), periodMs_(periodMs), stopMode_(stopMode) {}

void AppTimer::start() {
    if (wanted_) return;
    if (handle_ == 0) handle_ = SetTimer(window_, eventId_, periodMs_, nullptr);
    wanted_ = handle_ != 0;
    if (!wanted_ || tickPosted_) return;
    tickPosted_ = PostMessageW(window_, WM_TIMER, eventId_, 0) != FALSE;
}

void AppTimer::stop() {
    wanted_ = false;
    if (stopMode_ == Stop::AtOnce) endSystemTimer();
}

void AppTimer::endSystemTimer() {
    wanted_ = false;
    if (handle_ == 0) return;
    KillTimer(window_, eventId_);
    handle_ = 0;
}

bool AppTimer::takeTick() {
    // Posted messages come before the periodic ones, so the first tick after a post is the posted one.
    tickPosted_ = false;
    if (!wanted_) endSystemTimer();  // a settling stop ends here
    return wanted_;
}
