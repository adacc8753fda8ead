#include "status_updates.h"

#include <gtest/gtest.h>

namespace {

Messages::Computer computer(std::int64_t id, bool online) {
    Messages::Computer c;
    c.id = id;
    c.online = online;
    return c;
}

TEST(StatusUpdates, ComputerOnlineStateChangesTheFirstMatchOnly) {
    StatusModel model;
    StatusUpdates::replaceComputers(model, {computer(5, false), computer(7, false), computer(5, false)});
    EXPECT_TRUE(StatusUpdates::setComputerOnline(model, 5, true));
    EXPECT_TRUE(model.computers[0].online);
    EXPECT_FALSE(model.computers[2].online);
    EXPECT_FALSE(StatusUpdates::setComputerOnline(model, 99, true));
    EXPECT_TRUE(StatusUpdates::setComputerOnline(model, 5, false));
    EXPECT_FALSE(model.computers[0].online);
}

TEST(StatusUpdates, StatisticsSayWhenToPollAndWhetherLoggedIn) {
    using Flag = Messages::BackupStats::Flag;
    StatusModel model;
    Messages::BackupStats stats;
    stats.empty = false;
    for (int flag : {Flag::BackingUp, Flag::Receiving, Flag::Restoring, Flag::Scanning}) {
        stats.flags = flag;
        EXPECT_TRUE(StatusUpdates::takeStatistics(model, stats)) << flag;
    }
    stats.flags = Flag::Enabled | Flag::LoggedIn;
    stats.remainingBytes = 77;
    EXPECT_FALSE(StatusUpdates::takeStatistics(model, stats));
    EXPECT_TRUE(model.loggedIn);
    EXPECT_EQ(model.stats.remainingBytes, 77);
    EXPECT_FALSE(model.stats.empty);
    stats.flags = Flag::Enabled;
    StatusUpdates::takeStatistics(model, stats);
    EXPECT_FALSE(model.loggedIn);
}

TEST(StatusUpdates, DisconnectForgetsEngineStateButKeepsConnecting) {
    StatusModel model;
    StatusUpdates::markConnected(model);
    EXPECT_TRUE(model.connected);
    EXPECT_FALSE(model.connecting);
    model.alertCount = 3;
    model.computers.push_back(computer(1, true));
    model.stats.empty = false;
    model.stats.flags = 1;
    model.applicationName = L"Backup";
    StatusUpdates::markDisconnected(model);
    EXPECT_FALSE(model.connected);
    EXPECT_FALSE(model.connecting);
    EXPECT_EQ(model.alertCount, 0);
    EXPECT_TRUE(model.computers.empty());
    EXPECT_TRUE(model.stats.empty);
    EXPECT_EQ(model.stats.flags, 0);
    EXPECT_EQ(model.applicationName, L"Backup");

    StatusModel fresh;
    StatusUpdates::markDisconnected(fresh);
    EXPECT_TRUE(fresh.connecting);
}

TEST(StatusUpdates, ConnectingEndsOnTheThirdFailedCheck) {
    StatusModel model;
    EXPECT_FALSE(StatusUpdates::giveUpConnecting(model, 1));
    EXPECT_FALSE(StatusUpdates::giveUpConnecting(model, 2));
    EXPECT_TRUE(model.connecting);
    EXPECT_TRUE(StatusUpdates::giveUpConnecting(model, 3));
    EXPECT_FALSE(model.connecting);
    EXPECT_TRUE(StatusUpdates::giveUpConnecting(model, 40));
}

}  // namespace
