#pragma once
// Starting the product's main user-interface program. The program part of the command line is
// always quoted, so a path such as "C:\Program Files\Vault\BackupDesktop" cannot be taken for
// "C:\Program.exe" with arguments.
#include <cstddef>
#include <string>

namespace KovToolkit {

// Writable command-line buffer size the start uses, terminator included.
constexpr std::size_t kCommandLineCapacity = 256;

// "\"program\"" followed by a space and the arguments when there are any. Empty, with a "SEVERE"
// log line, when it does not fit in kCommandLineCapacity - 1 characters or the program is empty.
std::wstring buildMainApplicationCommandLine(const std::wstring& program, const std::wstring& arguments);

// Starts the program without waiting for it; failures are silent (Win32 only).
void runMainApplication(const std::wstring& program, const std::wstring& arguments);

}  // namespace KovToolkit
