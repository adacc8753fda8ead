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

// One error event holding `text` under the name the service was installed under, registered with this
// program as its message file when it is not registered yet; the log says what became of it, naming
// it `what`. Outside the service manager (no installed name) the program's file name is the source.
void reportServiceError(Launcher& launcher, const std::wstring& text, const std::wstring& what);
