#pragma once
// How engine messages and connection changes alter the status model. The controller calls these
// and then refreshes the menu and the icon as each case needs.
#include <cstdint>
#include <vector>

#include "records.h"
#include "status_model.h"

namespace StatusUpdates {

void replaceComputers(StatusModel& model, std::vector<Messages::Computer> computers);
// The first computer with that id; false (nothing changed) when there is none.
bool setComputerOnline(StatusModel& model, std::int64_t computerId, bool online);
// Copies the record; the returned flag says whether the statistics show activity (poll them).
bool takeStatistics(StatusModel& model, const Messages::BackupStats& stats);
void markConnected(StatusModel& model);
// After a close: no alerts, no computers, fresh statistics; `connecting` keeps its value.
void markDisconnected(StatusModel& model);
// The connection led to a program that is not the engine: shown as not connected, naming it.
void markPortHeld(StatusModel& model, PeerCheck::Process holder);
// The port is free again: its pid may belong to another process by now. False when none was named.
bool forgetPortHolder(StatusModel& model);
// A third failed check in a row turns "connecting" into "not connected".
bool giveUpConnecting(StatusModel& model, int failedChecks);

}  // namespace StatusUpdates
