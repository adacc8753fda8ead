#pragma once
// What the service reports to the service control manager, as plain values (the Win32 shell copies
// them into a SERVICE_STATUS). Every change goes through these functions, under the caller's lock.
#include <cstdint>

struct ServiceStatusValues {
    std::uint32_t serviceType = 0;
    std::uint32_t currentState = 0;
    std::uint32_t controlsAccepted = 0;
    std::uint32_t win32ExitCode = 0;
    std::uint32_t serviceSpecificExitCode = 0;
    std::uint32_t checkPoint = 0;
    std::uint32_t waitHint = 0;
};

namespace ServiceStatus {

inline constexpr std::uint32_t kOwnProcess = 16;
inline constexpr std::uint32_t kStopped = 1;
inline constexpr std::uint32_t kStopPending = 3;
inline constexpr std::uint32_t kRunning = 4;
inline constexpr std::uint32_t kAcceptStopAndShutdown = 5;
inline constexpr std::uint32_t kControlStop = 1;
inline constexpr std::uint32_t kControlShutdown = 5;
// Offered only with "Shutdown Timeout": told before shutdown, and waited for up to that time-out.
inline constexpr std::uint32_t kAcceptPreShutdown = 0x100;
inline constexpr std::uint32_t kControlPreShutdown = 15;
inline constexpr std::uint32_t kServiceSpecificError = 1066;  // ERROR_SERVICE_SPECIFIC_ERROR
inline constexpr std::uint32_t kStopWaitHintMs = 3000;
// While a stop is pending the status is reported again this often, with the next check point.
inline constexpr std::uint32_t kProgressIntervalMs = 1000;

// Stop, shutdown and pre-shutdown (which is only sent to a service that accepts it).
bool isStopRequest(std::uint32_t control);

// Running, accepting stop and shutdown (and pre-shutdown when asked); exit codes, check point and
// wait hint 0.
void setRunning(ServiceStatusValues& status, bool acceptPreShutdown = false);
// Stop-pending with the 3000 ms hint. The first such report carries check point 0; a repeated
// request while pending moves it on, since a controller reads a check point that goes back as no progress.
void setStopPending(ServiceStatusValues& status);
// The next progress report while stop-pending; false (nothing changed) in any other state.
bool advanceStopProgress(ServiceStatusValues& status);
// How a service's run ended. Every end but Clean is reported as a service-specific error with a code
// of its own, so the manager's recovery actions fire and an administrator can tell the ends apart.
enum class End : std::uint32_t {
    Clean = 0,         // main returned, or a stop request ended the run (whatever main did then)
    NotRun = 1,        // the Java program never ran: runtime, class path, VM or main class missing
    StopTimedOut = 2,  // main did not return within "Stop Timeout"
    MainThrew = 3,     // main ended with an uncaught exception while no stop had been asked for
    DetachFailed = 4,  // main ran, but its thread could not detach from the virtual machine
};

// Stopped, with exit codes 0 for a clean end and ERROR_SERVICE_SPECIFIC_ERROR with the end's code
// otherwise.
void setStopped(ServiceStatusValues& status, End end);

}  // namespace ServiceStatus
