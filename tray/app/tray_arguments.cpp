#include "tray_arguments.h"

#include <climits>

int leadingInteger(const std::wstring& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > INT_MAX) return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

TraySettings parseTrayArguments(const std::vector<std::wstring>& arguments) {
    TraySettings settings;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& option = arguments[i];
        const std::size_t following = arguments.size() - i - 1;
        if (option == L"-host" && following >= 2) {
            settings.host = arguments[i + 1];
            settings.port = leadingInteger(arguments[i + 2]);
            i += 2;
        } else if (option == L"-dir" && following >= 1) {
            settings.installDirectory = arguments[i + 1];
            i += 1;
        } else if (option == L"-showui") {
            settings.showUi = true;
        }
    }
    settings.installDirectory = stripDirectoryQuotes(std::move(settings.installDirectory));
    return settings;
}

std::wstring stripDirectoryQuotes(std::wstring directory) {
    std::size_t first = directory.find_first_not_of(L'"');
    if (first == std::wstring::npos) return {};
    directory.erase(0, first);
    directory.erase(directory.find_last_not_of(L'"') + 1);
    return directory;
}
