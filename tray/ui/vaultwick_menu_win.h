#pragma once
// The popup menu of the tray icon (resource 103): Show Application, one item per other computer
// between two separators, Sleep/Wakeup and Exit. Choices go to a VaultwickMenuHandler. A computer
// item shows the name alone; screen readers hear whether the computer is online, and the two dots
// differ in shape as well as colour. While the menu is open it is not rebuilt: a choice is the item
// the user saw, and changes that came meanwhile show once it has closed.
#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "menu_item_names_win.h"
#include "records.h"
#include "status_model.h"
#include "unique_handle_win.h"
#include "vaultwick_menu_handler.h"
#include "vaultwick_menu_model.h"

class VaultwickMenu {
public:
    VaultwickMenu(HWND owner, const StatusModel* model, VaultwickMenuHandler* handler,
                  MenuItemNamesSource names = &accessibilityMenuItemNames);
    VaultwickMenu(const VaultwickMenu&) = delete;
    VaultwickMenu& operator=(const VaultwickMenu&) = delete;

    // Rebuilds the computer section and the states of Sleep/Wakeup and Show Application; asked while
    // the menu is open, once it has closed.
    void updateMenu();
    // Tracks the menu at `at` (screen coordinates) and hands the choice on; first fits the dots to
    // the owner's DPI and the menu colour of that moment.
    void show(POINT at);
    // The same at the mouse position.
    void show();
    // Gives the computer items the dots for `dpi` on the current menu colour, if they have others.
    void fitDots(unsigned dpi);
    // Hands a command id returned by the menu to the handler; other ids (0: dismissed) are ignored.
    void dispatch(UINT command);

    HMENU popup() const { return popup_; }

private:
    void insertComputer(const VaultwickMenuModel::ComputerItem& item, std::size_t index);
    void insertSeparator(int position);
    int firstComputerPosition() const;
    std::optional<Messages::Computer> computerFor(UINT command) const;
    void choose(UINT command, const Messages::Computer* computer);
    void nameComputers(MenuItemNames& names, bool named);

    HWND owner_;
    Win::UniqueHmenu menu_;
    HMENU popup_ = nullptr;
    const StatusModel* model_;
    VaultwickMenuHandler* handler_;
    MenuItemNamesSource names_;
    int insertedCount_ = 0;
    int tracking_ = 0;             // menus open now
    bool rebuildPending_ = false;  // asked while open
    Win::UniqueGdiObject onlineBitmap_;
    Win::UniqueGdiObject offlineBitmap_;
    bool largeDots_ = false;    // what the two dots above were made for
    COLORREF dotBackground_ = 0;
    // Copies of the listed computers, in item order; a computer item's id names its index here, so a
    // choice never reaches a record the controller has since freed.
    std::vector<VaultwickMenuModel::ComputerItem> listed_;
};
