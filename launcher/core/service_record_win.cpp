#include "service_record_win.h"

#include "launcher.h"

#include <vector>

namespace {

ServiceRecord* gRecord = nullptr;  // the record alive in this process

}  // namespace

ServiceRecord::ServiceRecord(Launcher& launcher, std::wstring serviceName, ServiceControlPort& port)
    : launcher_(launcher), serviceName_(std::move(serviceName)), port_(port),
      runEnded_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    gRecord = this;
}

ServiceRecord::~ServiceRecord() {
    // The progress thread reads the record: it must have ended before the record goes.
    SetEvent(runEnded_.get());
    if (progressThread_) WaitForSingleObject(progressThread_.get(), INFINITE);
    gRecord = nullptr;
}

bool ServiceRecord::reportLocked() {
    SERVICE_STATUS status{};
    status.dwServiceType = status_.serviceType;
    status.dwCurrentState = status_.currentState;
    status.dwControlsAccepted = status_.controlsAccepted;
    status.dwWin32ExitCode = status_.win32ExitCode;
    status.dwServiceSpecificExitCode = status_.serviceSpecificExitCode;
    status.dwCheckPoint = status_.checkPoint;
    status.dwWaitHint = status_.waitHint;
    return port_.report(status);
}

bool ServiceRecord::dispatch() {
    std::wstring name = serviceName_;
    SERVICE_TABLE_ENTRYW table[] = {{name.data(), serviceMainEntry}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) != 0;
}

void WINAPI ServiceRecord::serviceMainEntry(DWORD argc, LPWSTR* argv) { gRecord->serviceMain(argc, argv); }
void WINAPI ServiceRecord::controlHandler(DWORD code) { gRecord->control(code); }

void ServiceRecord::serviceMain(DWORD argc, LPWSTR* argv) {
    if (!port_.registerHandler(serviceName_, controlHandler)) return;
    {
        std::lock_guard<std::mutex> hold(lock_);
        ServiceStatus::setRunning(status_);
        if (!reportLocked()) return;
    }
    // All of them, the first (the service name) included.
    launcher_.appendProgramArguments(std::vector<std::wstring>(argv, argv + argc));
    const bool succeeded = launcher_.run() == 0;

    launcher_.closeJavaStops();
    SetEvent(runEnded_.get());
    HANDLE progress;
    {
        std::lock_guard<std::mutex> hold(lock_);  // a stop request may be starting it right now
        progress = progressThread_.get();
    }
    if (progress) WaitForSingleObject(progress, INFINITE);
    std::lock_guard<std::mutex> hold(lock_);
    ServiceStatus::setStopped(status_, succeeded);
    reportLocked();
}

void ServiceRecord::control(DWORD code) {
    launcher_.log().write(L"service control " + std::to_wstring(code) + L" received");
    std::lock_guard<std::mutex> hold(lock_);
    if (!ServiceStatus::isStopRequest(code)) {
        reportLocked();  // interrogate and the rest: the current status again
        return;
    }
    if (status_.currentState == ServiceStatus::kStopped) return;
    ServiceStatus::setStopPending(status_);
    if (!reportLocked()) return;
    // The launcher, not the record: a stop thread may outlive the dispatcher.
    Win::UniqueHandle stopThread(CreateThread(nullptr, 0, stopThreadMain, &launcher_, 0, nullptr));
    if (!progressThread_) progressThread_.reset(CreateThread(nullptr, 0, progressThreadMain, this, 0, nullptr));
}

DWORD WINAPI ServiceRecord::stopThreadMain(void* launcher) {
    static_cast<Launcher*>(launcher)->requestJavaStop();
    return 1;
}

DWORD WINAPI ServiceRecord::progressThreadMain(void* record) {
    static_cast<ServiceRecord*>(record)->reportStopProgress();
    return 0;
}

// A controller takes a stop-pending service whose check point stays put past the wait hint for hung.
void ServiceRecord::reportStopProgress() {
    while (WaitForSingleObject(runEnded_.get(), ServiceStatus::kProgressIntervalMs) == WAIT_TIMEOUT) {
        std::lock_guard<std::mutex> hold(lock_);
        if (ServiceStatus::advanceStopProgress(status_)) reportLocked();
    }
}
