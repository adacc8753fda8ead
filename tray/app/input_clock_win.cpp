#include "input_clock_win.h"

#include <windows.h>

bool SystemInputClock::lastInputTick(std::uint32_t& tick) const {
    LASTINPUTINFO info{};
    info.cbSize = sizeof info;
    if (!GetLastInputInfo(&info)) return false;
    tick = info.dwTime;
    return true;
}

const InputClock& systemInputClock() {
    static SystemInputClock clock;
    return clock;
}
