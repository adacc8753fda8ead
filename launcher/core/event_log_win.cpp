#include "event_log_win.h"

#include <windows.h>

#include "text_format.h"
#include "unique_handle_win.h"

namespace {

// Message 1 of the program's message table is "%1": the event shows the text as it is.
constexpr DWORD kServiceErrorEvent = 1;

// What a viewer accepts from the source: error, warning and information events.
constexpr DWORD kTypesSupported = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;

const wchar_t kApplicationLog[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";

}  // namespace

std::wstring registerEventSource(const std::wstring& source, const std::wstring& messageFile) {
    const std::wstring keyPath = kApplicationLog + source;
    Win::UniqueHkey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS)
        return std::wstring();
    LSTATUS result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (result == ERROR_SUCCESS) {
        result = RegSetValueExW(key.get(), L"EventMessageFile", 0, REG_EXPAND_SZ,
                                reinterpret_cast<const BYTE*>(messageFile.c_str()),
                                static_cast<DWORD>((messageFile.size() + 1) * sizeof(wchar_t)));
    }
    if (result == ERROR_SUCCESS) {
        result = RegSetValueExW(key.get(), L"TypesSupported", 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&kTypesSupported), sizeof kTypesSupported);
    }
    if (result != ERROR_SUCCESS) {
        if (key) RegDeleteKeyW(HKEY_LOCAL_MACHINE, keyPath.c_str());  // half a registration helps no one
        return TextFormat::format(L"event source %s could not be registered (errno = %ld)",
                                  {source, static_cast<long>(result)});
    }
    return L"event source " + source + L" registered, message file " + messageFile;
}

bool reportServiceEvent(const std::wstring& source, const std::wstring& text) {
    Win::UniqueEventSource handle(RegisterEventSourceW(nullptr, source.c_str()));
    if (!handle) return false;
    const wchar_t* strings[] = {text.c_str()};
    return ReportEventW(handle.get(), EVENTLOG_ERROR_TYPE, 0, kServiceErrorEvent, nullptr, 1, 0, strings, nullptr) != 0;
}
