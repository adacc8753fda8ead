#pragma once
// Microseconds since the calling process was created: what the launcher-overhead benchmark compares
// between the stand-in runtime's JNI_CreateJavaVM and a trivial program's main.
#include <windows.h>

inline long long microsecondsSinceProcessStart() {
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
    GetSystemTimePreciseAsFileTime(&now);
    auto ticks = [](const FILETIME& t) { return (static_cast<long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return (ticks(now) - ticks(created)) / 10;
}
