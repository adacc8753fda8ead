#include "service_record_win.h"

#include "launcher.h"
#include "process_end_win.h"
#include "stop_limit_win.h"
#include "text_format.h"

#include <algorithm>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

namespace {

ServiceRecord* gRecord = nullptr;  // the record alive in this process

// How long the limit's error line may take: standard output can block for ever (a thread stuck
// writing to a full pipe holds the stream), and nothing may keep the limit from ending the process.
// The line reaches the log before standard output.
constexpr DWORD kStopTimedOutLineMs = 1000;

// One error line, given at most kStopTimedOutLineMs, just before the limit ends the process.
void printBeforeTheEnd(Launcher& launcher, const std::wstring& message) {
    auto printed = std::make_shared<Win::UniqueHandle>(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    try {
        std::thread([&launcher, message, printed] {
            launcher.errors().printMessage(message);
            SetEvent(printed->get());
        }).detach();
    } catch (const std::system_error&) {
        return;  // no thread to print on: the process still ends
    }
    WaitForSingleObject(printed->get(), kStopTimedOutLineMs);
}

std::wstring stopTimedOutText(Launcher& launcher) {
    return TextFormat::format(launcher.errors().text(LauncherText::StopTimedOut), {launcher.config().stopTimeoutSeconds});
}

// A service that failed and said so in STOPPED ends within "Stop Timeout", or this when none is set:
// otherwise a recovery action could start a second engine beside one that still holds its port and files.
constexpr unsigned long kFailedEndLimitSeconds = 30;

unsigned long failedEndLimitSeconds(const Launcher& launcher) {
    const unsigned long long set = launcher.config().stopTimeoutSeconds;
    return set > 0 ? static_cast<unsigned long>(std::min<unsigned long long>(set, (INFINITE - 1) / 1000))
                   : kFailedEndLimitSeconds;
}

}  // namespace

ServiceRecord::ServiceRecord(Launcher& launcher, std::wstring serviceName, ServiceControlPort& port)
    : launcher_(launcher), serviceName_(std::move(serviceName)), port_(port),
      runEnded_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      serviceMainLeft_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {
    gRecord = this;
}

ServiceRecord::~ServiceRecord() {
    WaitForSingleObject(serviceMainLeft_.get(), INFINITE);
    // After the record, with STOPPED reported, the limit's end is one error line and the end of the process.
    const std::wstring line = limitLine_.empty() ? stopTimedOutText(launcher_) : limitLine_;
    launcher_.stopLimit().setAction([&launcher = launcher_, line] {
        printBeforeTheEnd(launcher, line);
        endThisProcess(static_cast<UINT>(-1));
    });
    // The progress thread reads the record: it must have ended before the record goes.
    SetEvent(runEnded_.get());
    if (progressThread_) WaitForSingleObject(progressThread_.get(), INFINITE);
    gRecord = nullptr;
}

// A report the manager refused leaves it with the last one it took: the record goes back to that, so
// a later report (interrogate, progress) cannot claim a state the manager never accepted.
bool ServiceRecord::reportLocked() {
    SERVICE_STATUS status{};
    status.dwServiceType = status_.serviceType;
    status.dwCurrentState = status_.currentState;
    status.dwControlsAccepted = status_.controlsAccepted;
    status.dwWin32ExitCode = status_.win32ExitCode;
    status.dwServiceSpecificExitCode = status_.serviceSpecificExitCode;
    status.dwCheckPoint = status_.checkPoint;
    status.dwWaitHint = status_.waitHint;
    if (!port_.report(status)) {
        status_ = accepted_;
        return false;
    }
    accepted_ = status_;
    return true;
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
    // Interrogate is answered by the report; any other control that asks for no stop is not ours.
    const bool handled = ServiceStatus::isStopRequest(code) || code == SERVICE_CONTROL_INTERROGATE;
    return handled ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
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
    const ServiceStatus::End end = launcher_.runAsService();
    // Now, not at the process's end: destroying the VM waits for Java's non-daemon threads, which an
    // engine whose main died may keep alive for ever.
    if (end != ServiceStatus::End::Clean) port_.reportError(launcher_.serviceFailureText(), L"service failure");

    // stop() calls still under way go on; the VM's destruction waits for them, STOPPED does not.
    launcher_.closeJavaStops();
    SetEvent(runEnded_.get());
    HANDLE progress;
    {
        std::lock_guard<std::mutex> hold(lock_);  // a stop request may be starting it right now
        progress = progressThread_.get();
    }
    if (progress) WaitForSingleObject(progress, INFINITE);
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (status_.currentState == ServiceStatus::kStopped) return;  // "Stop Timeout" came first
        ServiceStatus::setStopped(status_, end);
        reportLocked();
    }
    if (end == ServiceStatus::End::MainThrew || end == ServiceStatus::End::DetachFailed) startFailedEndLimit(end);
}

// Outside the lock: the limit's action takes it.
void ServiceRecord::startFailedEndLimit(ServiceStatus::End end) {
    const unsigned long seconds = failedEndLimitSeconds(launcher_);
    const std::wstring line = TextFormat::format(launcher_.errors().text(LauncherText::FailedServiceEnded),
                                                 {static_cast<unsigned long>(end), seconds});
    // A stop request may have started the limit already; it then keeps its own line.
    if (launcher_.stopLimit().start(seconds * 1000, [this, line] {
            printBeforeTheEnd(launcher_, line);
            port_.endProcess(static_cast<UINT>(-1));
        }))
        limitLine_ = line;
}

void ServiceRecord::setPreShutdownTimeout(const std::wstring& installedName) {
    const DWORD error = port_.setPreShutdownTimeout(installedName, launcher_.config().shutdownTimeoutSeconds * 1000);
    if (error != 0) launcher_.errors().printWindowsError(LauncherText::PreShutdownTimeoutNotSet, error);
}

void ServiceRecord::control(DWORD code) {
    launcher_.log().write(L"service control " + std::to_wstring(code) + L" received");
    unsigned lostBecause = 0;  // the text of why a stop request goes nowhere
    DWORD error = 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!ServiceStatus::isStopRequest(code)) {
            reportLocked();  // interrogate and the rest: the current status again
            return;
        }
        if (status_.currentState == ServiceStatus::kStopped) return;
        ServiceStatus::setStopPending(status_);
        if (!reportLocked()) {
            lostBecause = LauncherText::StopNotReported;
            error = GetLastError();
        } else {
            // The launcher, not the record, runs it: a stop thread may outlive the dispatcher.
            error = launcher_.startJavaStop();
            if (error != 0) lostBecause = LauncherText::StopThreadNotStarted;
            if (!progressThread_) progressThread_.reset(CreateThread(nullptr, 0, progressThreadMain, this, 0, nullptr));
        }
    }
    // Outside the lock: the event log may be slow, and the limit's action takes the lock.
    if (lostBecause != 0) reportLostStop(lostBecause, error);
    if (lostBecause != LauncherText::StopNotReported) startStopLimit();
}

// A request the administrator made that reaches no one: said where an administrator looks.
void ServiceRecord::reportLostStop(unsigned reason, DWORD error) {
    const std::wstring text = launcher_.errors().windowsErrorText(reason, error);
    launcher_.errors().printMessage(text);
    port_.reportError(text, L"lost stop request");
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

// "Stop Timeout" counts from the first request (later ones leave it running) to the end of the process.
void ServiceRecord::startStopLimit() {
    const unsigned long long ms = launcher_.config().stopTimeoutSeconds * 1000ULL;
    launcher_.stopLimit().start(static_cast<unsigned long>(std::min<unsigned long long>(ms, INFINITE - 1)),
                                [this] { endStopThatTookTooLong(); });
}

// The administrator's limit has passed: say so; report STOPPED with a code of its own unless STOPPED
// has gone out already (the hold-up came after main returned); end the process without waiting for
// the virtual machine, whose destruction would wait for Java's threads.
void ServiceRecord::endStopThatTookTooLong() {
    printBeforeTheEnd(launcher_, stopTimedOutText(launcher_));
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (status_.currentState != ServiceStatus::kStopped) {
            ServiceStatus::setStopped(status_, ServiceStatus::End::StopTimedOut);
            reportLocked();
        }
    }
    port_.endProcess(static_cast<UINT>(-1));
}
