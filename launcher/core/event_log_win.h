#pragma once
// A service's standard output reaches no one, so a service that could not start says why in the
// Windows Application event log too.
#include <string>

// One error event from source `serviceName` holding `text`; false when it could not be reported.
bool reportServiceStartFailure(const std::wstring& serviceName, const std::wstring& text);
