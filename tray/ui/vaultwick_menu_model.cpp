#include "vaultwick_menu_model.h"

#include "kov_text.h"
#include "tray_resource_ids.h"

namespace VaultwickMenuModel {

bool isListed(const Messages::Computer& computer) { return computer.isDestination && !computer.isSelf; }

Layout layout(const StatusModel& model) {
    Layout result;
    for (const Messages::Computer& c : model.computers) {
        if (isListed(c)) result.computers.push_back({c, KovToolkit::fitVisibly(c.name, kMenuTextMaxChars)});
    }
    const Messages::BackupStats& stats = model.stats;
    if (stats.flags & Messages::BackupStats::Enabled) {
        result.sleepTextId = IDS_MENU_SLEEP;
        result.sleepEnabled = true;
    } else if (stats.pausedUntil > 0) {
        result.sleepTextId = IDS_MENU_WAKEUP;
        result.sleepEnabled = true;
    } else {
        result.sleepTextId = IDS_MENU_SLEEP;
        result.sleepEnabled = false;
    }
    result.showApplicationEnabled = !stats.empty;
    return result;
}

}  // namespace VaultwickMenuModel

namespace SleepChoice {

std::int32_t hoursForSelection(int index) {
    switch (index) {
    case 0: return 1;
    case 1: return 2;
    case 2: return 4;
    case 3: return 24;
    case 4: return 48;
    default: return 24;
    }
}

}  // namespace SleepChoice
