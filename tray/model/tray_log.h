#pragma once
// The tray's log. Lines go to the engine as LogMessage while the controller is connected, and are
// dropped otherwise ("FINE" lines are never sent). Nothing is written locally. Every part of the tray
// logs through these two functions; the controller installs the sink that does the sending.
#include <functional>
#include <string_view>

namespace TrayLog {

using Sink = std::function<void(std::wstring_view level, std::wstring_view source, std::wstring_view text)>;

// Installs (or, with an empty sink, removes) the receiver of log lines. Returns the previous one.
Sink setSink(Sink sink);

}  // namespace TrayLog

void trayLog(std::wstring_view level, std::wstring_view source, std::wstring_view text);
// trayLog with " error=" and the code in signed decimal appended to the text.
void trayLogCode(std::wstring_view level, std::wstring_view source, std::wstring_view text, long long code);
