#include "incoming_messages.h"

#include "computer_record.h"
#include "text_format.h"
#include "tray_log.h"

Messages::ComputersMessage::ComputersMessage(const std::uint8_t* bytes, std::int32_t length)
    : TokenMessage(bytes, length, TokenLimit{true, kMaxComputers + 1}) {
    if (droppedComputers() == 0) return;
    trayLog(L"WARNING", L"Messages::ComputersMessage::ComputersMessage",
            TextFormat::format(L"Kept the first %d computers of the list, dropped %d.",
                               {static_cast<long long>(kMaxComputers), static_cast<long long>(droppedComputers())}));
}

std::vector<Messages::Computer> Messages::ComputersMessage::getComputers() const {
    std::vector<Computer> computers;
    const std::size_t count = getTokenCount();
    if (count < 2) return computers;
    computers.resize(count - 1);
    for (std::size_t i = 1; i < count; ++i) decodeComputer(token(i), computers[i - 1]);
    return computers;
}

Messages::StatusTrayMessage::StatusTrayMessage(const std::uint8_t* bytes, std::int32_t length)
    : TokenMessage(bytes, length), loggedIn(getBool(0)), upgrading(getBool(1)), applicationName(getString(2)) {}

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
