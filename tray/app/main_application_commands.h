#pragma once
// The two command lines the tray starts the product's main program with: Show Application
// (install directory + application name + "Desktop", with a quoted dir= argument) and show
// computer (install directory + "Desktop", with computerId= or computerFullAddress= and dir=).
#include <optional>
#include <string>
#include <string_view>

#include "records.h"

struct MainApplicationLaunch {
    std::wstring program;
    std::wstring arguments;
    // The whole line as it is logged: program, then a space and the arguments when there are any.
    std::wstring commandLine() const;
};

// The application name comes from whoever answers on the engine's port and becomes part of a
// program path, so only a plain file-name part is accepted: no path separators, drive colons,
// quotes, "..", or control characters. The empty name is plain (it gives "Desktop").
bool isPlainApplicationName(std::wstring_view name);

// `installDirectory` already ends in "\" when not empty. Nothing when the name is not plain.
std::optional<MainApplicationLaunch> showApplicationLaunch(const std::wstring& installDirectory,
                                                           const std::wstring& applicationName);

// `computer` may be null: then the program is started without a computer argument.
MainApplicationLaunch showComputerLaunch(const std::wstring& installDirectory, const Messages::Computer* computer);

// The "-dir" value as the controller keeps it: one "\" appended when not empty.
std::wstring installDirectoryWithSeparator(const std::wstring& directory);
