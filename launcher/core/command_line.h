#pragma once
// The launcher's command line: it has no options of its own, every argument goes to the Java main
// method. Only U+0020 separates; a token starting with a quotation mark runs to the next one (both
// removed); there are no escapes. Also used for the value of "Cmd".
#include <string>
#include <string_view>
#include <vector>

std::vector<std::wstring> splitCommandLine(std::wstring_view text);

// The arguments of a raw command line (GetCommandLineW): white space trimmed at both ends, split, and
// the first token, the program's own path, dropped.
std::vector<std::wstring> programArgumentsOf(std::wstring_view commandLine);
