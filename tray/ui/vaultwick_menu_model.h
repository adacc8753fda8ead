#pragma once
// What the popup menu shows for a status model: the computer items between the separators, the
// Sleep/Wakeup item and whether Show Application can be chosen. Portable; the Win32 menu applies it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "kov_text.h"
#include "records.h"
#include "status_model.h"

namespace VaultwickMenuModel {

// Menu item texts are copied into 256-character buffers.
constexpr std::size_t kMenuTextMaxChars = 255;

struct ComputerItem {
    Messages::Computer computer;  // a copy: the menu must not depend on the controller's list
    std::wstring text;            // the name as the menu shows it: no mnemonic, cut visibly when too long
};

struct Layout {
    std::vector<ComputerItem> computers;  // in list order
    unsigned sleepTextId = 0;             // "&Sleep..." or "&Wakeup"
    bool sleepEnabled = false;
    bool showApplicationEnabled = false;
};

Layout layout(const StatusModel& model);
// `name` as menu item text: each "&" doubled so that none becomes a mnemonic, a tab shown as a
// space, cut visibly to kMenuTextMaxChars without leaving half of a doubled "&".
std::wstring itemText(const std::wstring& name);
// What a screen reader says for the item: the name and, in words, whether the computer is online.
std::wstring spokenName(const ComputerItem& item, const KovToolkit::StringTable& strings);

}  // namespace VaultwickMenuModel

namespace SleepChoice {

constexpr std::int32_t kCancelled = 2147483647;
// Hours for the index chosen in the duration list; no selection (or any other index) is a day.
std::int32_t hoursForSelection(int index);

}  // namespace SleepChoice
