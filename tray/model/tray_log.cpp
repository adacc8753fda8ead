#include "tray_log.h"

#include <string>
#include <utility>

#include "text_format.h"

namespace {
TrayLog::Sink& currentSink() {
    static TrayLog::Sink sink;
    return sink;
}
}  // namespace

TrayLog::Sink TrayLog::setSink(Sink sink) {
    return std::exchange(currentSink(), std::move(sink));
}

void trayLog(std::wstring_view level, std::wstring_view source, std::wstring_view text) {
    if (level == L"FINE") return;
    if (const auto& sink = currentSink()) sink(level, source, text);
}

void trayLogCode(std::wstring_view level, std::wstring_view source, std::wstring_view text, long long code) {
    trayLog(level, source, TextFormat::format(L"%s error=%d", {text, code}));
}
