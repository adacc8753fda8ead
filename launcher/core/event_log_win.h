#pragma once
// A service's standard output reaches no one, so a service that failed, or lost a stop request,
// says so in the Windows Application event log too.
#include <string>

// Registers `source` with the Application log, with `messageFile` (this program, whose message 1 is
// the inserted text) as its message file, so that a viewer shows the text. A source that is
// registered already is left as it is. Returns the line for the launcher log; empty when nothing was
// done. Registering needs the right to write HKEY_LOCAL_MACHINE (LocalSystem has it).
std::wstring registerEventSource(const std::wstring& source, const std::wstring& messageFile);

// One error event from `source` holding `text`; false when it could not be reported.
bool reportServiceEvent(const std::wstring& source, const std::wstring& text);
