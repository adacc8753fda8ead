#include "service_status.h"

namespace ServiceStatus {

bool isStopRequest(std::uint32_t control) {
    return control == kControlStop || control == kControlShutdown || control == kControlPreShutdown;
}

void setRunning(ServiceStatusValues& status, bool acceptPreShutdown) {
    status = ServiceStatusValues{};
    status.serviceType = kOwnProcess;
    status.currentState = kRunning;
    status.controlsAccepted = kAcceptStopAndShutdown | (acceptPreShutdown ? kAcceptPreShutdown : 0);
}

void setStopPending(ServiceStatusValues& status) {
    const bool alreadyPending = status.currentState == kStopPending;
    status.win32ExitCode = 0;
    status.checkPoint = alreadyPending ? status.checkPoint + 1 : 0;
    status.currentState = kStopPending;
    status.waitHint = kStopWaitHintMs;
}

bool advanceStopProgress(ServiceStatusValues& status) {
    if (status.currentState != kStopPending) return false;
    ++status.checkPoint;
    status.waitHint = kStopWaitHintMs;
    return true;
}

void setStopped(ServiceStatusValues& status, End end) {
    status.currentState = kStopped;
    status.checkPoint = 0;
    status.waitHint = 0;
    status.win32ExitCode = end == End::Clean ? 0 : kServiceSpecificError;
    status.serviceSpecificExitCode = static_cast<std::uint32_t>(end);
}

}  // namespace ServiceStatus
