#pragma once
// What the tray knows of the engine. The controller writes it; the icon and the menu only read it.
#include <optional>
#include <string>
#include <vector>

#include "port_holder.h"
#include "records.h"

struct StatusModel {
    std::vector<Messages::Computer> computers;  // in the order received
    int alertCount = 0;
    bool connecting = true;
    bool connected = false;
    bool loggedIn = false;
    bool upgrading = false;
    Messages::BackupStats stats;
    std::wstring applicationName;
    // Another program answered on the engine's port; cleared once the engine is accepted or nothing
    // answers there any more.
    std::optional<PeerCheck::Process> portHolder;
};
