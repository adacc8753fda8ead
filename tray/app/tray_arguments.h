#pragma once
// The tray's command line: "-host" address port, "-dir" path, "-showui". Options match whole
// arguments exactly (case matters); anything else is ignored, as is an option whose arguments are
// missing.
#include <string>
#include <vector>

struct TraySettings {
    std::wstring installDirectory;
    std::wstring host = L"127.0.0.1";
    int port = 4243;
    bool showUi = false;
};

// `arguments` as split by the system, the program path first.
TraySettings parseTrayArguments(const std::vector<std::wstring>& arguments);

// Removes every '"' from the start, then from the end: a quoted path ending in a backslash
// arrives with its closing quote still attached after splitting.
std::wstring stripDirectoryQuotes(std::wstring directory);

// Leading decimal digits (an optional sign first); no digits gives 0, too many saturate.
int leadingInteger(const std::wstring& text);
