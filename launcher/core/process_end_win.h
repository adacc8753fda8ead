#pragma once
// Ends this process at once with `exitCode`, the way a stopped service's process ends. What the C
// runtime still buffers of the standard streams is written first (the launcher log writes each line
// straight to its file). Unlike ExitProcess, no DLL's detach code runs: a Java runtime's, or that of
// the engine's native libraries, can block, and would keep a process the service manager already
// counts as stopped holding the engine's port and files.
#include <windows.h>

#include <cstdio>

[[noreturn]] inline void endThisProcess(UINT exitCode) {
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), exitCode);
    for (;;) Sleep(INFINITE);  // not reached: the call above does not return for the current process
}
