#include "message_dispatch.h"

#include "tray_log.h"

namespace {

bool decodeAndHandle(std::uint16_t typeId, const std::uint8_t* body, std::int32_t length,
                     VaultwickMessageHandler& handler) {
    using namespace Messages;
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

}  // namespace

// The peer decides what a frame holds; whatever one frame makes fail (memory, a bad value) costs
// that frame only, never the program.
bool Messages::dispatchFrame(std::uint16_t typeId, const std::uint8_t* body, std::int32_t length,
                             VaultwickMessageHandler& handler) {
    try {
        return decodeAndHandle(typeId, body, length, handler);
    } catch (...) {
        trayLogCode(L"SEVERE", L"VaultwickSocket::receiveMessage", L"Unable to handle message, dropped it.", typeId);
        return true;
    }
}
