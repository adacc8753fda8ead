#include "event_log_win.h"

#include <windows.h>

#include "unique_handle_win.h"

namespace {

// No message file is registered for the source, so the viewer shows the inserted text as it is.
constexpr DWORD kStartFailedEvent = 1;

}  // namespace

bool reportServiceStartFailure(const std::wstring& serviceName, const std::wstring& text) {
    Win::UniqueEventSource source(RegisterEventSourceW(nullptr, serviceName.c_str()));
    if (!source) return false;
    const wchar_t* strings[] = {text.c_str()};
    return ReportEventW(source.get(), EVENTLOG_ERROR_TYPE, 0, kStartFailedEvent, nullptr, 1, 0, strings, nullptr) != 0;
}
