#pragma once
// Ends this process at once with `exitCode`, the way a stopped service's process ends. Nothing is
// flushed: every line the launcher writes is flushed as it is written, and flushing all streams would
// wait for each stream's lock, which a thread stuck writing to a full pipe holds for ever. Unlike
// ExitProcess, no DLL's detach code runs: a Java runtime's, or that of the engine's native libraries,
// can block, and would keep a process the service manager already counts as stopped holding the
// engine's port and files.
#include <windows.h>

[[noreturn]] inline void endThisProcess(UINT exitCode) {
    TerminateProcess(GetCurrentProcess(), exitCode);
    for (;;) Sleep(INFINITE);  // not reached: the call above does not return for the current process
}
