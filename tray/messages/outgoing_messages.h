#pragma once
// The messages the tray sends to the engine.
#include <cstdint>
#include <string>

#include "message_identity.h"
#include "string_message.h"
#include "token_message.h"

namespace Messages {

// Tokens: level, "SysTray", marker (the tray passes " "), source, text.
class LogMessage : public TokenMessage {
    VW_MESSAGE_IDENTITY(0xAF05, L"com.morvaine.service.ui.message.LogMessage")

public:
    LogMessage(const std::wstring& level, const std::wstring& marker, const std::wstring& source,
               const std::wstring& text);
};

// Tokens: the class name of the messages the tray wants, and its start time in ms since 1970 UTC.
class SetMessageTypeMessage : public TokenMessage {
    VW_MESSAGE_IDENTITY(0x9B0B, L"com.tessik.messaging.ui.message.SetMessageTypeMessage")

public:
    SetMessageTypeMessage(const std::wstring& className, std::int64_t startTimeMillis);
};

class StatusQueryMessage : public TokenMessage {
    VW_MESSAGE_IDENTITY(0x3B01, L"com.morvaine.service.ui.message.StatusQueryMessage")

public:
    explicit StatusQueryMessage(const std::wstring& query);
};

class GetComputersMessage : public StringMessage {
    VW_MESSAGE_IDENTITY(0xB480, L"com.morvaine.service.ui.message.GetComputersMessage")

public:
    GetComputersMessage() : StringMessage(L"false") {}
};

// Text: the tick count of the last user input as a signed 32-bit decimal (wraps to negative).
class UserActivityMessage : public StringMessage {
    VW_MESSAGE_IDENTITY(0x9303, L"com.morvaine.service.ui.message.UserActivityMessage")

public:
    explicit UserActivityMessage(std::uint32_t lastInputTick);
};

// Text: the pause length in minutes.
class PauseSystemMessage : public StringMessage {
    VW_MESSAGE_IDENTITY(0xE31B, L"com.morvaine.service.ui.message.PauseSystemMessage")

public:
    explicit PauseSystemMessage(int minutes) : StringMessage(std::to_wstring(minutes)) {}
};

class GetBackupStatsSummaryMessage : public BodilessMessage {
    VW_MESSAGE_IDENTITY(0x5FE5, L"com.morvaine.service.ui.message.GetBackupStatsSummaryMessage")
};

class AlertRequestMessage : public BodilessMessage {
    VW_MESSAGE_IDENTITY(0x17DF, L"com.morvaine.service.ui.message.AlertRequestMessage")
};

class ResumeSystemMessage : public BodilessMessage {
    VW_MESSAGE_IDENTITY(0xB7DB, L"com.morvaine.service.ui.message.ResumeSystemMessage")
};

class ExitingMessage : public BodilessMessage {
    VW_MESSAGE_IDENTITY(0x8FA2, L"com.morvaine.service.ui.message.ExitingMessage")
};

}  // namespace Messages
