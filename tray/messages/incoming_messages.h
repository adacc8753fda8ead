#pragma once
// The messages the engine sends to the tray. Built from received body bytes only; a decoded message
// lives for one handler call, and what the controller keeps it copies out.
#include <cstdint>
#include <string>
#include <vector>

#include "message_identity.h"
#include "records.h"
#include "string_message.h"
#include "token_message.h"

namespace Messages {

// Token 0 is not read; every non-empty token from 1 on is one computer record. The peer chooses how
// many there are, so the list keeps at most kMaxListedComputers of those the menu lists (more than a
// menu can usefully show) and at most kMaxComputers in all (the others still name computers in the
// tooltip); the rest are counted and logged. Records are decoded as the body is walked: a received
// list holds records, not text, and costs what it keeps, whatever the body.
class ComputersMessage : public TokenMessage {
    VW_MESSAGE_IDENTITY(0xFD63, L"com.morvaine.service.ui.message.ComputersMessage")

public:
    static constexpr std::size_t kMaxListedComputers = 256;
    static constexpr std::size_t kMaxComputers = 2048;

    ComputersMessage() = default;
    ComputersMessage(const std::uint8_t* bytes, std::int32_t length);
    const std::vector<Computer>& getComputers() const { return computers_; }
    std::size_t droppedComputers() const { return dropped_; }

private:
    std::vector<Computer> computers_;
    std::size_t dropped_ = 0;
};

// A token message whose token 0 is a computer id.
class CoreComputerTokenMessage : public TokenMessage {
public:
    CoreComputerTokenMessage() = default;
    // Only token 0 is read, so only token 0 is kept.
    CoreComputerTokenMessage(const std::uint8_t* bytes, std::int32_t length)
        : TokenMessage(bytes, length, TokenLimit{1}) {}
    std::int64_t getComputerId() const { return getLong(0); }
};

class ComputerConnectedMessage : public CoreComputerTokenMessage {
    VW_MESSAGE_IDENTITY(0xFD27, L"com.morvaine.service.ui.message.ComputerConnectedMessage")

public:
    using CoreComputerTokenMessage::CoreComputerTokenMessage;
};

class ComputerDisconnectedMessage : public CoreComputerTokenMessage {
    VW_MESSAGE_IDENTITY(0x0A1A, L"com.morvaine.service.ui.message.ComputerDisconnectedMessage")

public:
    using CoreComputerTokenMessage::CoreComputerTokenMessage;
};

class StatusTrayMessage : public TokenMessage {
    VW_MESSAGE_IDENTITY(0x152F, L"com.morvaine.service.ui.message.StatusTrayMessage")

public:
    // The name becomes part of a program's path: longer ones are cut there.
    static constexpr std::size_t kMaxApplicationNameChars = 260;

    // Three tokens are read; the rest are not kept.
    StatusTrayMessage(const std::uint8_t* bytes, std::int32_t length);

    bool loggedIn = false;
    bool upgrading = false;
    std::wstring applicationName;
};

// 14 tokens forming the backup statistics record; the tokens after them are not kept.
class BackupStatsSummaryMessage : public TokenMessage {
    VW_MESSAGE_IDENTITY(0x005F, L"com.morvaine.service.ui.message.BackupStatsSummaryMessage")

public:
    static constexpr std::size_t kTokens = 14;

    BackupStatsSummaryMessage() = default;
    BackupStatsSummaryMessage(const std::uint8_t* bytes, std::int32_t length)
        : TokenMessage(bytes, length, TokenLimit{kTokens}) {}
    BackupStats getStats() const;
};

// Text: the number of alerts.
class AlertCountMessage : public StringMessage {
    VW_MESSAGE_IDENTITY(0x009B, L"com.morvaine.service.ui.message.AlertCountMessage")

public:
    using StringMessage::StringMessage;
};

// Text: the popup code; 0 asks for the "still running" balloon.
class TrayPopupMessage : public StringMessage {
    VW_MESSAGE_IDENTITY(0x2222, L"com.morvaine.service.ui.message.TrayPopupMessage")

public:
    using StringMessage::StringMessage;
};

// Received as a token message whose tokens are not read; encodes as nothing.
class TestRepeatMessage : public TokenMessage {
    VW_MESSAGE_IDENTITY(0xEB44, L"com.morvaine.service.ui.message.TestRepeatMessage")

public:
    using TokenMessage::TokenMessage;
    Bytes toBytes() const override { return {}; }
    std::int32_t getLength() const override { return 0; }
};

// Any body is ignored.
class ShutdownMessage : public BodilessMessage {
    VW_MESSAGE_IDENTITY(0x389D, L"com.morvaine.service.ui.message.ShutdownMessage")

public:
    ShutdownMessage() = default;
    ShutdownMessage(const std::uint8_t*, std::int32_t) {}
};

}  // namespace Messages
