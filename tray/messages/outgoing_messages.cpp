#include "outgoing_messages.h"

Messages::LogMessage::LogMessage(const std::wstring& level, const std::wstring& marker, const std::wstring& source,
                                 const std::wstring& text) {
    appendToken(level);
    appendToken(L"SysTray");
    appendToken(marker);
    appendToken(source);
    appendToken(text);
}

Messages::SetMessageTypeMessage::SetMessageTypeMessage(const std::wstring& className, std::int64_t startTimeMillis) {
    appendToken(className);
    appendToken(std::to_wstring(startTimeMillis));
}

Messages::StatusQueryMessage::StatusQueryMessage(const std::wstring& query) { appendToken(query); }

Messages::UserActivityMessage::UserActivityMessage(std::uint32_t lastInputTick)
    : StringMessage(std::to_wstring(static_cast<std::int32_t>(lastInputTick))) {}
