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
    // Enter or Space on the icon while it has the keyboard focus.
    virtual bool onKeySelect() = 0;
    // Shift+F10 or the menu key on the focused icon: the menu belongs at `x`, `y` (screen
    // coordinates of the icon), not at the mouse pointer.
    virtual bool onKeyboardMenu(int x, int y) = 0;
    // Any other event on the icon (moves, releases, middle button, selection and balloon notices).
    virtual bool onIconEvent(unsigned event) = 0;
    // Every other message of the hidden window, except the icon's own animation ticks.
    virtual bool onWindowMessage(unsigned message, std::uintptr_t firstParameter, std::intptr_t secondParameter) = 0;

protected:
    ~TrayEventHandler() = default;
};

}  // namespace KovToolkit
