#include "service_dispatch_win.h"

#include "config_platform_win.h"
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
    ServiceControlManagerPort port;
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
