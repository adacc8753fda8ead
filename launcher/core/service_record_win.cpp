#include "service_record_win.h"

#include "launcher.h"

#include <vector>

namespace {

ServiceRecord* gRecord = nullptr;  // the record alive in this process

}  // namespace

ServiceRecord::ServiceRecord(Launcher& launcher, std::wstring serviceName, ServiceControlPort& port)
    : launcher_(launcher), serviceName_(std::move(serviceName)), port_(port),
      runEnded_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      serviceMainLeft_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {
    gRecord = this;
}

ServiceRecord::~ServiceRecord() {
    WaitForSingleObject(serviceMainLeft_.get(), INFINITE);
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

DWORD WINAPI ServiceRecord::controlHandlerEx(DWORD code, DWORD, void*, void* record) {
    static_cast<ServiceRecord*>(record)->control(code);
    return NO_ERROR;
}

void ServiceRecord::serviceMain(DWORD argc, LPWSTR* argv) {
    ResetEvent(serviceMainLeft_.get());
    runService(argc, argv);
    // Nothing of the record may be touched after this: its owner may destroy it at once.
    SetEvent(serviceMainLeft_.get());
}

void ServiceRecord::runService(DWORD argc, LPWSTR* argv) {
    const bool preShutdown = launcher_.config().shutdownTimeoutSeconds > 0;
    const bool registered = preShutdown ? port_.registerHandlerEx(serviceName_, controlHandlerEx, this)
                                        : port_.registerHandler(serviceName_, controlHandler);
    if (!registered) return;
    {
        std::lock_guard<std::mutex> hold(lock_);
        ServiceStatus::setRunning(status_, preShutdown);
        if (!reportLocked()) return;
    }
    // The manager passes the name the service was installed under first; ours is the program's.
    if (argc > 0) launcher_.setInstalledServiceName(argv[0]);
    if (preShutdown) setPreShutdownTimeout(argc > 0 ? argv[0] : serviceName_);
    // All of them, the first (the service name) included.
    launcher_.appendProgramArguments(std::vector<std::wstring>(argv, argv + argc));
    const bool succeeded = launcher_.run() == 0;

    // stop() calls still under way go on; the VM's destruction waits for them, STOPPED does not.
    launcher_.closeJavaStops();
    SetEvent(runEnded_.get());
    HANDLE progress;
    {
        std::lock_guard<std::mutex> hold(lock_);  // a stop request may be starting it right now
        progress = progressThread_.get();
    }
    if (progress) WaitForSingleObject(progress, INFINITE);
    std::lock_guard<std::mutex> hold(lock_);
    if (status_.currentState == ServiceStatus::kStopped) return;  // a stop that took too long
    ServiceStatus::setStopped(status_, succeeded);
    reportLocked();
}

void ServiceRecord::setPreShutdownTimeout(const std::wstring& installedName) {
    const DWORD error = port_.setPreShutdownTimeout(installedName, launcher_.config().shutdownTimeoutSeconds * 1000);
    if (error != 0) launcher_.errors().printWindowsError(LauncherText::PreShutdownTimeoutNotSet, error);
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
    if (!progressThread_) {
        firstStopRequestTick_ = GetTickCount64();
        progressThread_.reset(CreateThread(nullptr, 0, progressThreadMain, this, 0, nullptr));
    }
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
// With "Stop Timeout", the reports end when main has not returned in time.
void ServiceRecord::reportStopProgress() {
    const ULONGLONG limitMs = launcher_.config().stopTimeoutSeconds * 1000ULL;
    for (;;) {
        DWORD waitMs = ServiceStatus::kProgressIntervalMs;
        if (limitMs) {
            if (WaitForSingleObject(runEnded_.get(), 0) != WAIT_TIMEOUT) return;  // main made it in time
            const ULONGLONG elapsed = GetTickCount64() - firstStopRequestTick_;
            if (elapsed >= limitMs) return endStopThatTookTooLong();
            if (limitMs - elapsed < waitMs) waitMs = static_cast<DWORD>(limitMs - elapsed);
        }
        if (WaitForSingleObject(runEnded_.get(), waitMs) != WAIT_TIMEOUT) return;
        std::lock_guard<std::mutex> hold(lock_);
        if (ServiceStatus::advanceStopProgress(status_)) reportLocked();
    }
}

// The administrator's limit has passed: say so, report STOPPED with a code of its own, and end the
// process without waiting for the virtual machine (whose destruction would wait for Java's threads).
void ServiceRecord::endStopThatTookTooLong() {
    launcher_.errors().print(LauncherText::StopTimedOut, {launcher_.config().stopTimeoutSeconds});
    {
        std::lock_guard<std::mutex> hold(lock_);
        ServiceStatus::setStoppedAfterTimeout(status_);
        reportLocked();
    }
    port_.endProcess(static_cast<UINT>(-1));
}
