#include "main_application_commands.h"

#include "text_format.h"

namespace {

bool isAsciiLetterOrDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool isHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

// Dot-separated labels of 1 to 63 letters, digits and inner hyphens; a dotted IPv4 address is one.
bool isHostName(std::wstring_view name) {
    if (name.empty() || name.size() > 253) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = name.find(L'.', start);
        const std::wstring_view label = name.substr(start, dot == std::wstring_view::npos ? dot : dot - start);
        if (label.empty() || label.size() > 63 || label.front() == L'-' || label.back() == L'-') return false;
        for (wchar_t c : label) {
            if (!isAsciiLetterOrDigit(c) && c != L'-') return false;
        }
        if (dot == std::wstring_view::npos) return true;
        start = dot + 1;
    }
}

// Hex groups and colons (at least two), a dotted IPv4 tail allowed: the characters and shape of an
// IPv6 address, nothing that could end or split an argument.
bool isIpv6Address(std::wstring_view address) {
    if (address.size() < 2 || address.size() > 45) return false;
    int colons = 0;
    for (wchar_t c : address) {
        if (c == L':') {
            ++colons;
        } else if (!isHexDigit(c) && c != L'.') {
            return false;
        }
    }
    return colons >= 2 && address.find(L":::") == std::wstring_view::npos;
}

}  // namespace

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

bool isHostNameOrAddress(std::wstring_view address) { return isHostName(address) || isIpv6Address(address); }

std::optional<MainApplicationLaunch> showApplicationLaunch(const MainProgramPlace& place,
                                                           const std::wstring& applicationName) {
    if (!isPlainApplicationName(applicationName)) return std::nullopt;
    MainApplicationLaunch launch;
    launch.program = place.folder() + applicationName + L"Desktop";
    // The directory ends in "\" and is followed directly by the closing quote.
    if (!place.installDirectory.empty()) launch.arguments = L"\"dir=" + place.installDirectory + L"\"";
    return launch;
}

std::optional<MainApplicationLaunch> showComputerLaunch(const MainProgramPlace& place,
                                                        const Messages::Computer* computer) {
    MainApplicationLaunch launch;
    launch.program = place.folder() + L"Desktop";
    if (computer) {
        if (computer->id > 0) {
            launch.arguments = TextFormat::format(L"computerId=%d", {static_cast<long long>(computer->id)});
        } else {
            if (!isHostNameOrAddress(computer->address)) return std::nullopt;
            launch.arguments = TextFormat::format(L"\"computerFullAddress=%s:%d\"",
                                                  {computer->address, static_cast<int>(computer->port)});
        }
        if (!place.installDirectory.empty()) launch.arguments += L" dir=" + place.installDirectory;
    }
    return launch;
}

std::wstring installDirectoryWithSeparator(const std::wstring& directory) {
    return directory.empty() ? directory : directory + L"\\";
}
