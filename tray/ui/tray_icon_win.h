#pragma once
// One icon in the notification area: a hidden window that receives the icon's mouse and keyboard
// notifications (and the controller's timers and socket events), the image, the tooltip, balloons
// and a timer-driven animation. Every add asks for the version 4 notifications, the only ones that
// report the keyboard. Shell requests go through ShellNotify so tests can record them.
// Images are loaded at the notification area's size for the window's DPI and the taskbar's theme;
// when either changes (DPI, display, setting or theme change, shell restart) the shown image and the
// animation's frames are loaded again and the icon is modified once.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tray_animation.h"
#include "tray_event_handler.h"
#include "tray_image_win.h"
#include "unique_handle_win.h"

namespace KovToolkit {

class ShellNotify {
public:
    // One Shell_NotifyIconW request (NIM_ADD, NIM_MODIFY, NIM_DELETE); its result.
    virtual bool request(DWORD message, const NOTIFYICONDATAW& data) = 0;

protected:
    ~ShellNotify() = default;
};

ShellNotify& systemShellNotify();

// The record layout with the 128-character tip, balloon fields and info flags, nothing after: 936
// bytes in a 32-bit program. The platform's own definition, so a 64-bit build gets its own layout.
constexpr DWORD kNotifyIconDataSize = NOTIFYICONDATAW_V2_SIZE;
// The version and focus requests belong to the newer shell: they go with the whole record, as the
// system's own documentation sends them, rather than the older layout above.
constexpr DWORD kFullNotifyIconDataSize = sizeof(NOTIFYICONDATAW);

class TrayIcon {
public:
    static constexpr const wchar_t* kWindowClass = L"VaultwickTray";
    static constexpr const wchar_t* kWindowTitle = L"Vaultwick Tray";

    TrayIcon(int iconId, TrayEventHandler* handler, ShellNotify& shell = systemShellNotify());
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;
    virtual ~TrayIcon();

    virtual HWND getWindow() const { return window_; }
    virtual void create();
    virtual void show();
    virtual void hide();
    virtual void setTip(const std::wstring& tip);
    virtual void notify(const std::wstring& text, const std::wstring& title);
    virtual void setIcon(std::uint16_t iconId, bool stopAnimation);
    virtual void setIcon(std::uint16_t iconId) { setIcon(iconId, true); }
    // Cycles through `frames`, the first one an interval from now; asked for the sequence already
    // running, it goes on undisturbed.
    virtual void animate(const std::vector<std::uint16_t>& frames);
    virtual void setAnimationInterval(int milliseconds) { intervalMs_ = milliseconds; }
    // Gives the keyboard focus back to the icon in the notification area, once the user is done with
    // what the icon opened.
    virtual void returnFocus();

    // "skin\custom\tray\<id>.ico", then "skin\tray\<id>.ico", then the built-in icon, at the
    // small-icon size of the screen's DPI for the current theme; never cached.
    static Win::UniqueHicon loadIcon(std::uint16_t iconId);
    // The scale this icon's images are loaded at now.
    const ImageScale& imageScale() const { return scale_; }

    UINT callbackMessage() const { return callbackMessage_; }
    int iconId() const { return iconId_; }

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    bool dispatchIconEvent(UINT event, WPARAM wParam);
    NOTIFYICONDATAW record(UINT flags, DWORD size = kNotifyIconDataSize) const;
    bool exists();
    void stopTimer();
    void showImage(std::uint16_t iconId);
    void loadFrames();
    void rescale(unsigned dpi);

    Win::UniqueHwnd ownedWindow_;  // set once create() made the window
    HWND window_ = nullptr;
    int iconId_;
    UINT callbackMessage_ = 0;
    TrayAnimation animation_;
    UINT_PTR timerHandle_ = 0;
    int timerEventId_ = 0;
    int intervalMs_ = 1000;
    TrayEventHandler* handler_;
    ShellNotify& shell_;
    UINT taskbarCreatedMessage_ = 0;
    UINT previousIconEvent_ = 0;
    bool rightPressRunning_ = false;  // the handler's answer to a right press (its menu) is under way
    bool keySelected_ = false;
    DWORD lastKeySelect_ = 0;  // tick count of the last key select passed on
    ImageScale scale_;
    std::uint16_t current_ = 0;  // the image in the notification area (or lost with it); 0 before any or after hide
    // The animation's frames at scale_: loaded once per scale, not at every tick (plain image changes
    // read the image afresh, so a replaced skin file shows at the next change).
    std::map<std::uint16_t, Win::UniqueHicon> frameImages_;
};

}  // namespace KovToolkit
