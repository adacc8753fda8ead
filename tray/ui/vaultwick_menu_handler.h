#pragma once
// Receiver of the popup menu's choices (the application controller).
#include "records.h"

class VaultwickMenuHandler {
public:
    virtual void onMenuShowVaultwick() = 0;
    virtual void onMenuPauseResume() = 0;
    virtual void onMenuClose() = 0;
    // The menu's own copy of the chosen computer, valid for the call; null when none.
    virtual void onMenuComputer(const Messages::Computer* computer) = 0;

protected:
    ~VaultwickMenuHandler() = default;
};
