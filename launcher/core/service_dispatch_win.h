#pragma once
// Service mode: the entry hands its main thread to the service control dispatcher, whose service
// main function runs the launcher's run step (service_record_win.h).
class Launcher;

// -1 when the program's path (the service name) cannot be obtained; otherwise 0 once the dispatcher
// returns, also when it fails at once because the program was not started as a service.
int dispatchService(Launcher& launcher);
