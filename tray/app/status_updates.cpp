#include "status_updates.h"

#include <utility>

namespace StatusUpdates {

void replaceComputers(StatusModel& model, std::vector<Messages::Computer> computers) {
    model.computers = std::move(computers);
}

bool setComputerOnline(StatusModel& model, std::int64_t computerId, bool online) {
    for (auto& computer : model.computers) {
        if (computer.id == computerId) {
            computer.online = online;
            return true;
        }
    }
    return false;
}

bool takeStatistics(StatusModel& model, const Messages::BackupStats& stats) {
    model.stats = stats;
    model.loggedIn = (stats.flags & Messages::BackupStats::LoggedIn) != 0;
    return stats.showsActivity();
}

void markConnected(StatusModel& model) {
    model.connected = true;
    model.connecting = false;
    model.portHolder.reset();
}

void markPortHeld(StatusModel& model, PeerCheck::Process holder) {
    model.connecting = false;
    model.portHolder = std::move(holder);
}

bool forgetPortHolder(StatusModel& model) {
    if (!model.portHolder) return false;
    model.portHolder.reset();
    return true;
}

void markDisconnected(StatusModel& model) {
    model.alertCount = 0;
    model.connected = false;
    model.computers.clear();
    model.stats = Messages::BackupStats{};
}

bool giveUpConnecting(StatusModel& model, int failedChecks) {
    if (failedChecks < 3) return false;
    model.connecting = false;
    return true;
}

}  // namespace StatusUpdates
