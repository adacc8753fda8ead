#include "vaultwick_tray_icon_win.h"

#include "kov_text_win.h"
#include "tray_resource_ids.h"

VaultwickTrayIcon::VaultwickTrayIcon(KovToolkit::TrayEventHandler* handler, const StatusModel* model,
                                     KovToolkit::ShellNotify& shell, const KovToolkit::Clock& clock)
    : TrayIcon(IDI_TRAY_GOOD, handler, shell), model_(model), clock_(clock) {}

void VaultwickTrayIcon::show() {
    TrayIcon::show();
    refresh();
}

void VaultwickTrayIcon::refresh() {
    setBackupRolloverText();
    updateIcon();
}

void VaultwickTrayIcon::setBackupRolloverText() {
    setTip(TrayStatusView::tooltip(*model_, KovToolkit::moduleStringTable(), KovToolkit::userNumberLocale(),
                                   clock_.nowSeconds()));
}

void VaultwickTrayIcon::updateIcon() {
    std::vector<std::uint16_t> frames = TrayStatusView::images(*model_);
    if (frames.size() == 1) {
        setIcon(frames.front());
    } else {
        animate(frames);
    }
}
