#pragma once
// What the controller says to the engine, and when: the handshake after each connect, the log
// lines while connected, and the pause request chosen in the sleep dialog.
#include <cstdint>
#include <functional>
#include <string_view>

#include "message.h"
#include "tray_log.h"

namespace EngineRequests {

using Send = std::function<void(const Messages::Message&)>;

// The requests that follow "Connecting to VaultwickService...": message types, status, computers,
// statistics and alerts.
void sendHandshake(const Send& send, std::int64_t startTimeMillis);

// The start time the engine is told: whole seconds since 1970, in milliseconds.
std::int64_t startTimeMillis(std::int64_t secondsSince1970);

// A log sink that sends each line as a LogMessage while `connected()` says so. A line logged
// while that send is under way (a failing send logs) is dropped instead of recursing.
TrayLog::Sink engineLogSink(std::function<bool()> connected, Send send);

struct PauseDecision {
    enum class Kind { Pause, Nothing, Failed } kind;
    int minutes = 0;
};
// The sleep dialog's result: hours, the cancel value, or below 1 when the dialog failed.
PauseDecision pauseDecisionFor(std::int32_t dialogResult);

}  // namespace EngineRequests
