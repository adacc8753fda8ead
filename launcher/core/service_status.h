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
// Stopped. A run step that failed (the Java program never ran) reports a service-specific error 1,
// so the manager's recovery actions fire; a clean end reports 0.
void setStopped(ServiceStatusValues& status, bool runSucceeded);
// Stopped because main did not return within "Stop Timeout": a service-specific error of its own.
inline constexpr std::uint32_t kStopTimedOutCode = 2;
void setStoppedAfterTimeout(ServiceStatusValues& status);

}  // namespace ServiceStatus
