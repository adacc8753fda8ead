#include "engine_requests.h"

#include <memory>
#include <string>
#include <utility>

#include "outgoing_messages.h"
#include "vaultwick_menu_model.h"

namespace EngineRequests {

void sendHandshake(const Send& send, std::int64_t startTimeMillis) {
    send(Messages::SetMessageTypeMessage(L"com.morvaine.service.ui.message.ITrayMessage", startTimeMillis));
    send(Messages::StatusQueryMessage(L"QMV"));
    send(Messages::GetComputersMessage());
    send(Messages::GetBackupStatsSummaryMessage());
    send(Messages::AlertRequestMessage());
}

std::int64_t startTimeMillis(std::int64_t secondsSince1970) { return secondsSince1970 * 1000; }

TrayLog::Sink engineLogSink(std::function<bool()> connected, Send send) {
    auto sending = std::make_shared<bool>(false);
    return [connected = std::move(connected), send = std::move(send), sending](
               std::wstring_view level, std::wstring_view source, std::wstring_view text) {
        if (*sending || level == L"FINE" || !connected()) return;
        *sending = true;
        send(Messages::LogMessage(std::wstring(level), L" ", std::wstring(source), std::wstring(text)));
        *sending = false;
    };
}

PauseDecision pauseDecisionFor(std::int32_t dialogResult) {
    if (dialogResult < 1) return {PauseDecision::Kind::Failed};
    if (dialogResult == SleepChoice::kCancelled) return {PauseDecision::Kind::Nothing};
    return {PauseDecision::Kind::Pause, dialogResult * 60};
}

}  // namespace EngineRequests
