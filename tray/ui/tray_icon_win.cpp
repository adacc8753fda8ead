#include "tray_icon_win.h"

#include <windowsx.h>

#include "kov_text_win.h"
#include "text_format.h"
#include "tray_log.h"

namespace KovToolkit {

static_assert(sizeof(void*) != 4 || kNotifyIconDataSize == 936, "the 32-bit record is 936 bytes long");

namespace {

class SystemShellNotify final : public ShellNotify {
public:
    bool request(DWORD message, const NOTIFYICONDATAW& data) override {
        return Shell_NotifyIconW(message, const_cast<NOTIFYICONDATAW*>(&data)) != FALSE;
    }
};

// Copies `text` into a fixed field when it fits in `limit` - 1 characters; otherwise leaves the
// field empty and reports false.
template <std::size_t N>
bool copyField(wchar_t (&field)[N], const std::wstring& text, std::size_t limit) {
    field[0] = L'\0';
    if (limit > N || text.size() + 1 > limit) return false;
    text.copy(field, text.size());
    field[text.size()] = L'\0';
    return true;
}

}  // namespace

ShellNotify& systemShellNotify() {
    static SystemShellNotify shell;
    return shell;
}

TrayIcon::TrayIcon(int iconId, TrayEventHandler* handler, ShellNotify& shell)
    : iconId_(iconId),
      handler_(handler),
      shell_(shell),
      taskbarCreatedMessage_(RegisterWindowMessageW(L"TaskbarCreated")),
      scale_(imageScaleFor(windowDpi(nullptr))) {
    std::wstring name;
    TextFormat::format(name, 255, L"com.morvaine.tray.icon.message--%d", {iconId});
    callbackMessage_ = RegisterWindowMessageW(name.c_str());
}

TrayIcon::~TrayIcon() {
    hide();
    animation_.stop();
    stopTimer();
    if (window_ && ownedWindow_) {
        // Messages sent while the window goes away must not reach a handler that is being torn down.
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ownedWindow_.reset();
    }
    window_ = nullptr;
}

Win::UniqueHicon TrayIcon::loadIcon(std::uint16_t iconId) {
    return loadTrayImage(iconId, imageScaleFor(windowDpi(nullptr)));
}

void TrayIcon::create() {
    if (window_) return;
    Win::UniqueHicon icon = loadIcon(static_cast<std::uint16_t>(iconId_));
    WNDCLASSW windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &TrayIcon::windowProcedure;
    windowClass.hInstance = moduleInstance();
    windowClass.hIcon = icon.get();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);  // a second icon in the same process finds the class registered
    HWND created = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, kWindowTitle, WS_POPUP, 0, 0, 0, 0, nullptr,
                                   nullptr, moduleInstance(), this);
    window_ = created;
    ownedWindow_.reset(created);
    scale_ = imageScaleFor(windowDpi(created));
}

NOTIFYICONDATAW TrayIcon::record(UINT flags, DWORD size) const {
    NOTIFYICONDATAW data{};
    data.cbSize = size;
    data.hWnd = window_;
    data.uID = static_cast<UINT>(iconId_);
    data.uFlags = flags;
    return data;
}

bool TrayIcon::exists() { return shell_.request(NIM_MODIFY, record(0)); }

void TrayIcon::show() {
    if (exists()) return;
    // A shell that lost the icon (the taskbar restarted) gets back the image it showed, still or a
    // frame of the animation; the default one would stand until the next change.
    const std::uint16_t image = current_ != 0 ? current_ : static_cast<std::uint16_t>(iconId_);
    Win::UniqueHicon icon = loadTrayImage(image, scale_);
    // Version 4 hides the standard tooltip unless asked to show it.
    NOTIFYICONDATAW data = record(NIF_MESSAGE | NIF_ICON | NIF_SHOWTIP);
    data.uCallbackMessage = callbackMessage_;
    data.hIcon = icon.get();
    if (!shell_.request(NIM_ADD, data)) return;
    current_ = image;
    // The shell forgets the version with the icon, so each add sets it again.
    NOTIFYICONDATAW version = record(0, kFullNotifyIconDataSize);
    version.uVersion = NOTIFYICON_VERSION_4;
    shell_.request(NIM_SETVERSION, version);
}

void TrayIcon::returnFocus() { shell_.request(NIM_SETFOCUS, record(0, kFullNotifyIconDataSize)); }

void TrayIcon::hide() {
    if (exists()) shell_.request(NIM_DELETE, record(0));
    current_ = 0;
}

void TrayIcon::setTip(const std::wstring& tip) {
    NOTIFYICONDATAW data = record(NIF_TIP | NIF_SHOWTIP);
    if (!copyField(data.szTip, tip, 128)) {
        trayLogCode(L"SEVERE", L"KovToolkit::TrayIcon::setTip", L"Unable to set tray tip.", -1);
    }
    shell_.request(NIM_MODIFY, data);
}

void TrayIcon::notify(const std::wstring& text, const std::wstring& title) {
    NOTIFYICONDATAW data = record(NIF_INFO);
    data.dwInfoFlags = NIIF_INFO;
    data.uTimeout = 10000;
    if (!copyField(data.szInfo, text, 255)) {
        trayLogCode(L"SEVERE", L"KovToolkit::TrayIcon::notify", L"Unable to set tray info.", -1);
    }
    if (!copyField(data.szInfoTitle, title, 63)) {
        trayLogCode(L"SEVERE", L"KovToolkit::TrayIcon::notify", L"Unable to set tray info title.", -1);
    }
    shell_.request(NIM_MODIFY, data);
}

void TrayIcon::setIcon(std::uint16_t iconId, bool stopAnimation) {
    if (stopAnimation) {
        animation_.stop();
        stopTimer();
    }
    showImage(iconId);
}

void TrayIcon::showImage(std::uint16_t iconId) {
    Win::UniqueHicon fresh;
    HICON image = nullptr;
    auto frame = frameImages_.find(iconId);
    if (animation_.running() && frame != frameImages_.end()) {
        image = frame->second.get();
    } else {
        fresh = loadTrayImage(iconId, scale_);
        image = fresh.get();
    }
    NOTIFYICONDATAW data = record(NIF_ICON);
    data.hIcon = image;
    shell_.request(NIM_MODIFY, data);
    current_ = iconId;
}

void TrayIcon::loadFrames() {
    for (std::uint16_t id : animation_.frames()) {
        if (frameImages_.find(id) == frameImages_.end()) frameImages_.emplace(id, loadTrayImage(id, scale_));
    }
}

void TrayIcon::rescale(unsigned dpi) {
    ImageScale next = imageScaleFor(dpi);
    if (next == scale_) return;
    scale_ = next;
    frameImages_.clear();
    if (animation_.running()) loadFrames();
    if (current_ != 0) showImage(current_);
}

void TrayIcon::animate(const std::vector<std::uint16_t>& frames) {
    if (frames.empty()) return;
    // Every display refresh asks again; restarting would hold the first frame back for as long as
    // refreshes come faster than the interval.
    if (animation_.running() && animation_.frames() == frames) return;
    stopTimer();
    animation_.start(frames);
    loadFrames();
    timerEventId_ = animation_.first();
    timerHandle_ = SetTimer(window_, static_cast<UINT_PTR>(timerEventId_), static_cast<UINT>(intervalMs_), nullptr);
}

void TrayIcon::stopTimer() {
    if (timerHandle_ != 0 && window_) KillTimer(window_, static_cast<UINT_PTR>(timerEventId_));
    timerHandle_ = 0;
}

bool TrayIcon::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == callbackMessage_) return dispatchIconEvent(LOWORD(lParam), wParam);  // the icon id is above
    if (message == WM_TIMER && timerEventId_ > 0 && wParam == static_cast<WPARAM>(timerEventId_)) {
        // A tick already queued when the animation was stopped must not bring an old frame back.
        if (animation_.running()) setIcon(animation_.advance(), false);
        return true;
    }
    if (message == WM_DPICHANGED) {
        rescale(LOWORD(wParam));  // the new DPI comes with the message, before the window reports it
    } else if (message == WM_DISPLAYCHANGE || message == WM_SETTINGCHANGE || message == WM_THEMECHANGED ||
               message == WM_SYSCOLORCHANGE || (taskbarCreatedMessage_ != 0 && message == taskbarCreatedMessage_)) {
        // The theme, high contrast or its colours, the monitor or the taskbar's own scale may have changed.
        rescale(windowDpi(window_));
    }
    return handler_->onWindowMessage(message, wParam, lParam);
}

bool TrayIcon::dispatchIconEvent(UINT event, WPARAM wParam) {
    // A right click reports its release and WM_CONTEXTMENU too; its menu opened on the press
    // already. They may come while the press's menu is open, in either order, or after it closed,
    // the release first. Noted before the handler runs.
    const bool menuOfARightClick =
        event == WM_CONTEXTMENU && (rightPressRunning_ || previousIconEvent_ == WM_RBUTTONUP);
    previousIconEvent_ = event;
    switch (event) {
    case WM_LBUTTONDOWN: return handler_->onLeftButtonDown();
    case WM_LBUTTONDBLCLK: return handler_->onLeftButtonDoubleClick();
    case WM_RBUTTONDOWN: {
        const bool nested = rightPressRunning_;
        rightPressRunning_ = true;
        const bool handled = handler_->onRightButtonDown();
        rightPressRunning_ = nested;
        return handled;
    }
    case NIN_KEYSELECT: {
        // Enter on the focused icon has been reported to come twice: one press, one answer.
        const DWORD now = GetTickCount();
        if (keySelected_ && now - lastKeySelect_ < GetDoubleClickTime()) return true;
        keySelected_ = true;
        lastKeySelect_ = now;
        return handler_->onKeySelect();
    }
    case WM_CONTEXTMENU:
        return menuOfARightClick || handler_->onKeyboardMenu(GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam));
    default: return handler_->onIconEvent(event);
    }
}

LRESULT CALLBACK TrayIcon::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TrayIcon* owner = nullptr;
    if (message == WM_NCCREATE) {
        owner = static_cast<TrayIcon*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
        if (owner) owner->window_ = window;
    } else {
        owner = reinterpret_cast<TrayIcon*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!owner || !owner->handler_) return DefWindowProcW(window, message, wParam, lParam);
    return owner->dispatch(message, wParam, lParam) ? 0 : DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace KovToolkit
