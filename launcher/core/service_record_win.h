#pragma once
// The service of this process: its status record and the callbacks the service control manager
// calls. One process-wide instance, reached through a pointer since the callbacks get no context.
// Every change of the status and its report happen under one lock.
#include "service_control_port_win.h"
#include "service_status.h"
#include "unique_handle_win.h"

#include <mutex>
#include <string>

class Launcher;

class ServiceRecord {
public:
    // One record at a time per process: the static callbacks reach it through a process-wide pointer.
    ServiceRecord(Launcher& launcher, std::wstring serviceName, ServiceControlPort& port);
    // Waits until the service main function has left: the dispatcher may return as soon as STOPPED
    // is reported, while that function is still finishing its report. A "Stop Timeout" under way goes
    // on counting without the record.
    ~ServiceRecord();
    ServiceRecord(const ServiceRecord&) = delete;
    ServiceRecord& operator=(const ServiceRecord&) = delete;

    // Hands the calling thread to the service control dispatcher until the service has stopped;
    // false when the dispatcher could not start (for example when not started as a service).
    bool dispatch();

    // The service main function: register, report running, append the start arguments, run the
    // Java program, report stopped (with a service-specific error when the run failed). A run that
    // failed is reported to the event log before STOPPED; after STOPPED with code 3 or 4 the process
    // is ended unless it ends by itself within "Stop Timeout", or 30 s without one.
    void serviceMain(DWORD argc, LPWSTR* argv);
    // The control handler, on the dispatcher's thread.
    void control(DWORD code);

private:
    static void WINAPI serviceMainEntry(DWORD argc, LPWSTR* argv);
    static void WINAPI controlHandler(DWORD code);
    static DWORD WINAPI controlHandlerEx(DWORD code, DWORD eventType, void* eventData, void* record);
    static DWORD WINAPI progressThreadMain(void* record);
    bool reportLocked();
    void runService(DWORD argc, LPWSTR* argv);
    void setPreShutdownTimeout(const std::wstring& installedName);
    void reportStopProgress();
    void startStopLimit();
    void endStopThatTookTooLong();
    void reportLostStop(unsigned reason, DWORD error);
    void startFailedEndLimit(ServiceStatus::End end);

    Launcher& launcher_;
    std::wstring serviceName_;
    std::mutex lock_;
    ServiceStatusValues status_;
    ServiceStatusValues accepted_;  // the status the manager last took
    std::wstring limitLine_;        // the error line of a limit this record started; empty: "Stop Timeout"'s
    ServiceControlPort& port_;
    Win::UniqueHandle runEnded_;
    Win::UniqueHandle progressThread_;  // re-reports stop-pending until the run step has returned
    Win::UniqueHandle serviceMainLeft_;  // set as the service main function's very last step
};
