#include "incoming_messages.h"

#include <utility>

#include "computer_record.h"
#include "latin1.h"
#include "text_format.h"
#include "tray_log.h"

Messages::ComputersMessage::ComputersMessage(const std::uint8_t* bytes, std::int32_t length) {
    std::size_t listed = 0;
    std::wstring token;
    bool first = true;
    visitTokens(bytes, length, [&](const std::uint8_t* start, const std::uint8_t* end) {
        if (std::exchange(first, false) || start == end) return;
        if (computers_.size() == kMaxComputers) {
            ++dropped_;
            return;
        }
        token.clear();
        Latin1::appendDecoded(token, start, end);
        Computer computer;
        decodeComputer(token, computer);
        if (computer.isListed() && listed == kMaxListedComputers) {
            ++dropped_;
            return;
        }
        listed += computer.isListed() ? 1 : 0;
        computers_.push_back(std::move(computer));
    });
    if (dropped_ == 0) return;
    trayLog(L"WARNING", L"Messages::ComputersMessage::ComputersMessage",
            TextFormat::format(L"Kept %d computers of the list (%d for the menu), dropped %d.",
                               {static_cast<long long>(computers_.size()), static_cast<long long>(listed),
                                static_cast<long long>(dropped_)}));
}

Messages::StatusTrayMessage::StatusTrayMessage(const std::uint8_t* bytes, std::int32_t length)
    : TokenMessage(bytes, length, TokenLimit{3, kMaxApplicationNameChars}),
      loggedIn(getBool(0)),
      upgrading(getBool(1)),
      applicationName(getString(2)) {}

// Token i by getInt/getLong, so a missing token reads -1; the times come in milliseconds and are
// kept in seconds (truncating, so -1 ms is 0 s).
Messages::BackupStats Messages::BackupStatsSummaryMessage::getStats() const {
    BackupStats stats;
    stats.flags = getInt(0);
    stats.remainingFileCount = getInt(1);
    stats.token2Count = getInt(2);
    stats.pausedUntil = getLong(3) / 1000;
    stats.healthLevel = getInt(4);
    stats.receivingFromComputerId = getLong(5);
    stats.backupTargetComputerId = getLong(6);
    stats.restoringFromComputerId = getLong(7);
    stats.bytesPerSecond = getLong(8);
    stats.remainingBytes = getLong(9);
    stats.totalBytes = getLong(10);
    stats.totalFileCount = getInt(11);
    stats.lastBackupTime = getLong(12) / 1000;
    stats.nextBackupTime = getLong(13) / 1000;
    stats.empty = false;
    return stats;
}
