#include "service_dispatch_win.h"

#include "config_platform_win.h"
#include "event_log_win.h"
#include "launcher.h"
#include "process_environment.h"
#include "service_record_win.h"
#include "unique_handle_win.h"

#include <windows.h>

#include <string>
#include <vector>

int dispatchService(Launcher& launcher) {
    std::wstring programPath;
    unsigned long error = 0;
    if (!currentProgramPath(programPath, error)) {
        launcher.errors().printWindowsError(LauncherText::ModulePathFailed, error);
        return -1;
    }
    ServiceControlManagerPort port(launcher);
    ServiceRecord record(launcher, fileNameOf(programPath), port);
    record.dispatch();  // succeeded or not, the service ends with 0
    return 0;
}

std::wstring installedNameOfThisProcess() {
    Win::UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager) return std::wstring();
    std::vector<BYTE> buffer;
    DWORD needed = 0, count = 0, resume = 0;
    // Bounded: the list can grow between the size query and the call.
    for (int attempt = 0; attempt < 3; ++attempt) {
        buffer.resize(buffer.size() + needed);
        count = 0;
        resume = 0;
        if (EnumServicesStatusExW(manager.get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_ACTIVE,
                                  buffer.empty() ? nullptr : buffer.data(), static_cast<DWORD>(buffer.size()), &needed,
                                  &count, &resume, nullptr))
            break;
        if (GetLastError() != ERROR_MORE_DATA) return std::wstring();
        count = 0;
    }
    const auto* services = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (services[i].ServiceStatusProcess.dwProcessId == GetCurrentProcessId()) return services[i].lpServiceName;
    return std::wstring();
}

void reportServiceError(Launcher& launcher, const std::wstring& text, const std::wstring& what) {
    std::wstring programPath;
    unsigned long error = 0;
    if (text.empty() || !currentProgramPath(programPath, error)) return;
    std::wstring source = launcher.installedServiceName();
    if (source.empty()) source = installedNameOfThisProcess();  // the start-up failed before the dispatcher
    if (source.empty()) {
        source = fileNameOf(programPath);  // not started by the service manager: no installed name
    } else {
        const std::wstring registration = registerEventSource(source, programPath);
        if (!registration.empty()) launcher.log().write(registration);
    }
    const bool reported = reportServiceEvent(source, text);
    launcher.log().write(what + (reported ? L" reported to the event log" : L" could not be reported to the event log"));
}

void ServiceControlManagerPort::reportError(const std::wstring& text, const std::wstring& what) {
    reportServiceError(launcher_, text, what);
}
