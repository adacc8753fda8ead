#pragma once
// What the tray icon's hidden window reports to its owner. Each operation returns true when it
// handled the event; unhandled window messages go on to the default window procedure.
#include <cstdint>

namespace KovToolkit {

class TrayEventHandler {
public:
    virtual bool onLeftButtonDown() = 0;
    virtual bool onLeftButtonDoubleClick() = 0;
    virtual bool onRightButtonDown() = 0;
    // Any other mouse message on the icon (moves, releases, middle button).
    virtual bool onIconEvent(unsigned mouseMessage) = 0;
    // Every other message of the hidden window, except the icon's own animation ticks.
    virtual bool onWindowMessage(unsigned message, std::uintptr_t firstParameter, std::intptr_t secondParameter) = 0;

protected:
    ~TrayEventHandler() = default;
};

}  // namespace KovToolkit
