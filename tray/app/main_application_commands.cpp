#include "main_application_commands.h"

#include "text_format.h"

std::wstring MainApplicationLaunch::commandLine() const {
    return arguments.empty() ? program : program + L" " + arguments;
}

bool isPlainApplicationName(std::wstring_view name) {
    if (name.find(L"..") != std::wstring_view::npos) return false;
    for (wchar_t c : name) {
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) return false;
        if (c == L'\\' || c == L'/' || c == L':' || c == L'"') return false;
    }
    return true;
}

std::optional<MainApplicationLaunch> showApplicationLaunch(const std::wstring& installDirectory,
                                                           const std::wstring& applicationName) {
    if (!isPlainApplicationName(applicationName)) return std::nullopt;
    MainApplicationLaunch launch;
    launch.program = installDirectory + applicationName + L"Desktop";
    // The directory ends in "\" and is followed directly by the closing quote.
    if (!installDirectory.empty()) launch.arguments = L"\"dir=" + installDirectory + L"\"";
    return launch;
}

MainApplicationLaunch showComputerLaunch(const std::wstring& installDirectory, const Messages::Computer* computer) {
    MainApplicationLaunch launch;
    launch.program = installDirectory + L"Desktop";
    if (computer) {
        if (computer->id > 0) {
            launch.arguments = TextFormat::format(L"computerId=%d", {static_cast<long long>(computer->id)});
        } else {
            launch.arguments = TextFormat::format(L"computerFullAddress=%s:%d",
                                                  {computer->address, static_cast<int>(computer->port)});
        }
        if (!installDirectory.empty()) launch.arguments += L" dir=" + installDirectory;
    }
    return launch;
}

std::wstring installDirectoryWithSeparator(const std::wstring& directory) {
    return directory.empty() ? directory : directory + L"\\";
}
