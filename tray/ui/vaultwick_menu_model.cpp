#include "vaultwick_menu_model.h"

#include "kov_text.h"
#include "text_format.h"
#include "tray_resource_ids.h"

namespace VaultwickMenuModel {

Layout layout(const StatusModel& model) {
    Layout result;
    for (const Messages::Computer& c : model.computers) {
        if (c.isListed()) result.computers.push_back({c, itemText(c.name)});
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

std::wstring itemText(const std::wstring& name) {
    std::wstring escaped;
    for (wchar_t c : name) {
        if (c == L'&') escaped += L'&';
        // A tab or a backspace starts the right-aligned column, moving the rest of the name to the
        // edge, and other control characters draw as boxes: each shows as a space.
        escaped += c < L' ' || c == 0x7F ? L' ' : c;
    }
    std::wstring cut = KovToolkit::fitVisibly(escaped, kMenuTextMaxChars);
    if (cut.size() == escaped.size()) return cut;
    // An odd run of "&" before the "..." would underline the first dot.
    const std::size_t end = cut.size() - 3;
    std::size_t run = 0;
    while (run < end && cut[end - 1 - run] == L'&') ++run;
    if (run % 2 != 0) cut.erase(end - 1, 1);
    return cut;
}

std::wstring spokenName(const ComputerItem& item, const KovToolkit::StringTable& strings) {
    const unsigned state = item.computer.online ? IDS_COMPUTER_ONLINE : IDS_COMPUTER_OFFLINE;
    return TextFormat::format(KovToolkit::loadString(strings, state),
                              {KovToolkit::fitVisibly(item.computer.name, kMenuTextMaxChars)});
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
