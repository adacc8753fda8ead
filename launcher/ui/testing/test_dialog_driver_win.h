#pragma once
// Test helper: drives a modal dialog of this thread from a second thread, by messages only. The
// driver waits (bounded) for the dialog, runs its steps, and closes the dialog if the steps left it
// open, so a failing test cannot leave a modal loop running.
#include <windows.h>

#include <functional>
#include <thread>

class DialogDriver {
public:
    using Steps = std::function<void(HWND dialog)>;

    DialogDriver(Steps steps) : uiThread_(GetCurrentThreadId()), steps_(std::move(steps)) {
        worker_ = std::thread([this] { run(); });
    }
    ~DialogDriver() { worker_.join(); }
    bool found() const { return found_; }

    static void click(HWND dialog, int id) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    static void clickLater(HWND dialog, int id) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    static std::wstring text(HWND window) {
        wchar_t buffer[1024] = {};
        GetWindowTextW(window, buffer, 1024);
        return buffer;
    }

private:
    void run() {
        HWND dialog = nullptr;
        for (int attempt = 0; attempt < 1000 && !dialog; ++attempt) {
            EnumThreadWindows(uiThread_, &DialogDriver::findDialog, reinterpret_cast<LPARAM>(&dialog));
            if (!dialog) Sleep(10);
        }
        if (!dialog) return;
        found_ = true;
        steps_(dialog);
        for (int attempt = 0; attempt < 200 && IsWindow(dialog); ++attempt) {
            if (attempt == 0) clickLater(dialog, IDCANCEL);
            Sleep(10);
        }
    }
    static BOOL CALLBACK findDialog(HWND window, LPARAM found) {
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (lstrcmpW(className, L"#32770") == 0 && IsWindowVisible(window)) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }

    DWORD uiThread_;
    Steps steps_;
    bool found_ = false;
    std::thread worker_;
};
