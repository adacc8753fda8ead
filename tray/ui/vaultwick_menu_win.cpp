#include "vaultwick_menu_win.h"

#include <utility>

#include "incoming_messages.h"
#include "kov_text_win.h"
#include "menu_dot_win.h"
#include "tray_image_win.h"
#include "tray_resource_ids.h"

static_assert(Messages::ComputersMessage::kMaxListedComputers <= ID_MENU_COMPUTER_COUNT,
              "every computer a list keeps for the menu has a command id of the menu's range");

VaultwickMenu::VaultwickMenu(HWND owner, const StatusModel* model, VaultwickMenuHandler* handler,
                             MenuItemNamesSource names)
    : owner_(owner),
      menu_(LoadMenuW(KovToolkit::moduleInstance(), MAKEINTRESOURCEW(IDM_TRAY_MENU))),
      model_(model),
      handler_(handler),
      names_(std::move(names)) {
    if (menu_) popup_ = GetSubMenu(menu_.get(), 0);
    fitDots(KovToolkit::windowDpi(owner));
}

int VaultwickMenu::firstComputerPosition() const { return popup_ ? GetMenuItemCount(popup_) - 3 - insertedCount_ : 0; }

void VaultwickMenu::fitDots(unsigned dpi) {
    const bool large = MenuDot::largeAt(dpi);
    const COLORREF background = GetSysColor(COLOR_MENU);
    if (onlineBitmap_ && large == largeDots_ && background == dotBackground_) return;
    Win::UniqueGdiObject online = MenuDot::load(IDB_COMPUTER_ONLINE, large, background);
    Win::UniqueGdiObject offline = MenuDot::load(IDB_COMPUTER_OFFLINE, large, background);
    // The items still show the old dots; they get the new ones before the old ones are deleted.
    const int first = firstComputerPosition();
    for (int i = 0; i < insertedCount_ && static_cast<std::size_t>(i) < listed_.size(); ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_CHECKMARKS;
        info.hbmpUnchecked = static_cast<HBITMAP>(listed_[i].computer.online ? online.get() : offline.get());
        SetMenuItemInfoW(popup_, static_cast<UINT>(first + i), TRUE, &info);
    }
    onlineBitmap_ = std::move(online);
    offlineBitmap_ = std::move(offline);
    largeDots_ = large;
    dotBackground_ = background;
}

void VaultwickMenu::updateMenu() {
    if (!popup_) return;
    if (tracking_ > 0) {
        rebuildPending_ = true;
        return;
    }
    rebuildPending_ = false;
    if (insertedCount_ > 0) {
        // The computer items and the separator after them; the separator before them stays.
        const int position = firstComputerPosition();
        for (int i = 0; i < insertedCount_ + 1; ++i) RemoveMenu(popup_, position, MF_BYPOSITION);
        insertedCount_ = 0;
    }

    VaultwickMenuModel::Layout layout = VaultwickMenuModel::layout(*model_);
    listed_.clear();
    for (std::size_t i = 0; i < layout.computers.size() && i < ID_MENU_COMPUTER_COUNT; ++i) {
        if (i == 0) insertSeparator(GetMenuItemCount(popup_) - 3);
        listed_.push_back(layout.computers[i]);
        insertComputer(layout.computers[i], i);
    }
    insertedCount_ = static_cast<int>(listed_.size());

    std::wstring sleepText = KovToolkit::loadString(layout.sleepTextId);
    MENUITEMINFOW sleep{};
    sleep.cbSize = sizeof sleep;
    sleep.fMask = MIIM_STRING | MIIM_STATE;
    sleep.dwTypeData = sleepText.data();
    sleep.fState = layout.sleepEnabled ? MFS_ENABLED : MFS_GRAYED;
    SetMenuItemInfoW(popup_, ID_MENU_SLEEP, FALSE, &sleep);

    EnableMenuItem(popup_, ID_MENU_SHOW_APPLICATION,
                   MF_BYCOMMAND | (layout.showApplicationEnabled ? MF_ENABLED : MF_GRAYED));
}

void VaultwickMenu::insertComputer(const VaultwickMenuModel::ComputerItem& item, std::size_t index) {
    std::wstring text = item.text;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID | MIIM_CHECKMARKS;
    info.fType = MFT_STRING;
    info.wID = static_cast<UINT>(ID_MENU_FIRST_COMPUTER + index);
    info.hbmpUnchecked = static_cast<HBITMAP>(item.computer.online ? onlineBitmap_.get() : offlineBitmap_.get());
    info.dwTypeData = text.data();
    InsertMenuItemW(popup_, static_cast<UINT>(GetMenuItemCount(popup_) - 3), TRUE, &info);
}

void VaultwickMenu::insertSeparator(int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    info.fType = MFT_SEPARATOR;
    InsertMenuItemW(popup_, static_cast<UINT>(position), TRUE, &info);
}

void VaultwickMenu::show() {
    POINT at{};
    GetCursorPos(&at);
    show(at);
}

void VaultwickMenu::show(POINT at) {
    fitDots(KovToolkit::windowDpi(owner_));
    // Without the foreground the menu would not close on a click elsewhere.
    SetForegroundWindow(owner_);
    UINT command = 0;
    {
        // Only computer items have names of their own; without any, nothing needs loading.
        std::unique_ptr<MenuItemNames> names = insertedCount_ > 0 ? names_() : nullptr;
        if (names) nameComputers(*names, true);
        ++tracking_;
        command = static_cast<UINT>(
            TrackPopupMenu(popup_, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, owner_, nullptr));
        --tracking_;
        if (names) nameComputers(*names, false);
    }
    // The choice is read from the items that were shown, before the rebuild held back meanwhile.
    const std::optional<Messages::Computer> computer = computerFor(command);
    if (rebuildPending_) updateMenu();
    choose(command, computer ? &*computer : nullptr);
    PostMessageW(owner_, WM_NULL, 0, 0);
}

void VaultwickMenu::nameComputers(MenuItemNames& names, bool named) {
    const int first = firstComputerPosition();
    for (int i = 0; i < insertedCount_ && static_cast<std::size_t>(i) < listed_.size(); ++i) {
        if (named) {
            names.set(popup_, first + i, VaultwickMenuModel::spokenName(listed_[i], KovToolkit::moduleStringTable()));
        } else {
            names.clear(popup_, first + i);
        }
    }
}

void VaultwickMenu::dispatch(UINT command) {
    const std::optional<Messages::Computer> computer = computerFor(command);
    choose(command, computer ? &*computer : nullptr);
}

std::optional<Messages::Computer> VaultwickMenu::computerFor(UINT command) const {
    // The id is the position in the copies made by the same updateMenu that built the item.
    if (command < ID_MENU_FIRST_COMPUTER) return std::nullopt;
    const std::size_t index = command - ID_MENU_FIRST_COMPUTER;
    if (index >= listed_.size()) return std::nullopt;
    return listed_[index].computer;
}

void VaultwickMenu::choose(UINT command, const Messages::Computer* computer) {
    switch (command) {
    case ID_MENU_EXIT: handler_->onMenuClose(); return;
    case ID_MENU_SLEEP: handler_->onMenuPauseResume(); return;
    case ID_MENU_SHOW_APPLICATION: handler_->onMenuShowVaultwick(); return;
    default: break;
    }
    if (computer) handler_->onMenuComputer(computer);
}
