#pragma once
// The two command lines the tray starts the product's main program with: Show Application
// (folder + application name + "Desktop", with a quoted dir= argument) and show computer (folder +
// "Desktop", with computerId= or a quoted computerFullAddress=, and dir=). The folder is the
// install directory, or without one the tray's own folder: a full path, so the program is never
// looked for in the current folder or on the search path.
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

// Where the main program is: `installDirectory` (the "-dir" value ending in "\") when not empty,
// otherwise `trayFolder` (the tray's own folder, ending in "\").
struct MainProgramPlace {
    std::wstring installDirectory;
    std::wstring trayFolder;
    const std::wstring& folder() const { return installDirectory.empty() ? trayFolder : installDirectory; }
};

// The application name comes from whoever answers on the engine's port and becomes part of a
// program path, so only a plain file-name part is accepted: no path separators, drive colons,
// quotes, "..", or control characters. The empty name is plain (it gives "Desktop").
bool isPlainApplicationName(std::wstring_view name);

// A computer's address comes from the same peer and becomes an argument: only a host name (letters,
// digits and hyphens in dot-separated labels) or an IP address (v4 dotted, or v6 hex groups) passes.
bool isHostNameOrAddress(std::wstring_view address);

// Nothing when the name is not plain.
std::optional<MainApplicationLaunch> showApplicationLaunch(const MainProgramPlace& place,
                                                           const std::wstring& applicationName);

// `computer` may be null: then the program is started without a computer argument. Nothing when a
// computer without an id has an address that is not a host name or IP address.
std::optional<MainApplicationLaunch> showComputerLaunch(const MainProgramPlace& place,
                                                        const Messages::Computer* computer);

// The "-dir" value as the controller keeps it: one "\" appended when not empty.
std::wstring installDirectoryWithSeparator(const std::wstring& directory);
