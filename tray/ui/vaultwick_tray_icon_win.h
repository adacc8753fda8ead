#pragma once
// The tray client's one notification-area icon: keeps its tooltip and image in step with the
// status model. What to show is decided by TrayStatusView; this class only hands it to the shell.
#include "status_model.h"
#include "tray_icon_win.h"
#include "tray_status_view.h"

class VaultwickTrayIcon : public KovToolkit::TrayIcon {
public:
    VaultwickTrayIcon(KovToolkit::TrayEventHandler* handler, const StatusModel* model,
                      KovToolkit::ShellNotify& shell = KovToolkit::systemShellNotify(),
                      const KovToolkit::Clock& clock = KovToolkit::systemClock());
    ~VaultwickTrayIcon() override = default;

    // The icon is never shown without its tooltip and the right image.
    void show() override;
    void refresh();
    void setBackupRolloverText();
    void updateIcon();

private:
    const StatusModel* model_;
    const KovToolkit::Clock& clock_;
};
