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
    if (!running()) return;
    PostMessageW(window_, WM_TIMER, eventId_, 0);
}

void AppTimer::stop() {
    if (!running()) return;
    KillTimer(window_, eventId_);
    handle_ = 0;
}
