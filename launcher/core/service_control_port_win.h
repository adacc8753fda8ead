#pragma once
// Where the service record registers its control handler, reports its status, sets its pre-shutdown
// time-out, reports an error event and ends a process that would not stop: the service control
// manager, the event log and the process in the program, a recorder in tests that drive the record
// in-process.
#include <windows.h>

#include <string>

#include "process_end_win.h"
#include "unique_handle_win.h"

class ServiceControlPort {
public:
    virtual ~ServiceControlPort() = default;
    virtual bool registerHandler(const std::wstring& serviceName, LPHANDLER_FUNCTION handler) = 0;
    // The extended form, which is what the manager sends pre-shutdown requests to.
    virtual bool registerHandlerEx(const std::wstring& serviceName, LPHANDLER_FUNCTION_EX handler, void* context) = 0;
    // Only called after a successful registration.
    virtual bool report(const SERVICE_STATUS& status) = 0;
    // 0, or the system error that kept the time-out from being set for the installed service.
    virtual DWORD setPreShutdownTimeout(const std::wstring& installedName, DWORD milliseconds) = 0;
    // Ends the process at once, whatever its other threads are doing.
    virtual void endProcess(UINT exitCode) = 0;
    // One error event in the Application event log, under the service's installed name; `what` names
    // it in the launcher log.
    virtual void reportError(const std::wstring& text, const std::wstring& what) = 0;
};

class Launcher;

class ServiceControlManagerPort : public ServiceControlPort {
public:
    explicit ServiceControlManagerPort(Launcher& launcher) : launcher_(launcher) {}
    bool registerHandler(const std::wstring& serviceName, LPHANDLER_FUNCTION handler) override {
        statusHandle_ = RegisterServiceCtrlHandlerW(serviceName.c_str(), handler);
        return statusHandle_ != nullptr;
    }
    bool registerHandlerEx(const std::wstring& serviceName, LPHANDLER_FUNCTION_EX handler, void* context) override {
        statusHandle_ = RegisterServiceCtrlHandlerExW(serviceName.c_str(), handler, context);
        return statusHandle_ != nullptr;
    }
    bool report(const SERVICE_STATUS& status) override {
        SERVICE_STATUS copy = status;
        return SetServiceStatus(statusHandle_, &copy) != 0;
    }
    DWORD setPreShutdownTimeout(const std::wstring& installedName, DWORD milliseconds) override {
        Win::UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (!manager) return GetLastError();
        Win::UniqueServiceHandle service(OpenServiceW(manager.get(), installedName.c_str(), SERVICE_CHANGE_CONFIG));
        if (!service) return GetLastError();
        SERVICE_PRESHUTDOWN_INFO info{milliseconds};
        return ChangeServiceConfig2W(service.get(), SERVICE_CONFIG_PRESHUTDOWN_INFO, &info) ? 0 : GetLastError();
    }
    void endProcess(UINT exitCode) override { endThisProcess(exitCode); }
    void reportError(const std::wstring& text, const std::wstring& what) override;

private:
    Launcher& launcher_;
    SERVICE_STATUS_HANDLE statusHandle_ = nullptr;  // not closed: the manager owns it
};
