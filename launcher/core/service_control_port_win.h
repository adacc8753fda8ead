#pragma once
// Where the service record registers its control handler and reports its status: the service
// control manager in the program, a recorder in tests that drive the record in-process.
#include <windows.h>

#include <string>

class ServiceControlPort {
public:
    virtual ~ServiceControlPort() = default;
    virtual bool registerHandler(const std::wstring& serviceName, LPHANDLER_FUNCTION handler) = 0;
    // Only called after a successful registration.
    virtual bool report(const SERVICE_STATUS& status) = 0;
};

class ServiceControlManagerPort : public ServiceControlPort {
public:
    bool registerHandler(const std::wstring& serviceName, LPHANDLER_FUNCTION handler) override {
        statusHandle_ = RegisterServiceCtrlHandlerW(serviceName.c_str(), handler);
        return statusHandle_ != nullptr;
    }
    bool report(const SERVICE_STATUS& status) override {
        SERVICE_STATUS copy = status;
        return SetServiceStatus(statusHandle_, &copy) != 0;
    }

private:
    SERVICE_STATUS_HANDLE statusHandle_ = nullptr;  // not closed: the manager owns it
};
