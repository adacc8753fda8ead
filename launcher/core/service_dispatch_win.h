#pragma once
// Service mode: the entry hands its main thread to the service control dispatcher, whose service
// main function runs the launcher's run step (service_record_win.h).
#include <string>

class Launcher;

// -1 when the program's path (the service name) cannot be obtained; otherwise 0 once the dispatcher
// returns, also when it fails at once because the program was not started as a service.
int dispatchService(Launcher& launcher);

// The name under which the service manager started this process, found by its process id; empty
// when it was not started as a service. For a start-up that failed before the dispatcher ran.
std::wstring installedNameOfThisProcess();
