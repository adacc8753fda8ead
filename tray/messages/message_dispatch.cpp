#include "message_dispatch.h"

bool Messages::dispatchFrame(std::uint16_t typeId, const std::uint8_t* body, std::int32_t length,
                             VaultwickMessageHandler& handler) {
    switch (typeId) {
    case BackupStatsSummaryMessage::kTypeId:
        handler.onBackupStatsSummary(BackupStatsSummaryMessage(body, length).getStats());
        return true;
    case ComputersMessage::kTypeId:
        handler.onComputers(ComputersMessage(body, length));
        return true;
    case ComputerConnectedMessage::kTypeId:
        handler.onComputerConnected(ComputerConnectedMessage(body, length).getComputerId());
        return true;
    case ComputerDisconnectedMessage::kTypeId:
        handler.onComputerDisconnected(ComputerDisconnectedMessage(body, length).getComputerId());
        return true;
    case TestRepeatMessage::kTypeId:
        handler.onTestRepeat();
        return true;
    case AlertCountMessage::kTypeId:
        handler.onAlertCount(AlertCountMessage(body, length).getInt());
        return true;
    case ShutdownMessage::kTypeId:
        handler.onShutdown();
        return true;
    case TrayPopupMessage::kTypeId:
        handler.onTrayPopup(TrayPopupMessage(body, length).getInt());
        return true;
    case StatusTrayMessage::kTypeId:
        handler.onStatusTray(StatusTrayMessage(body, length));
        return true;
    default:
        return false;
    }
}
