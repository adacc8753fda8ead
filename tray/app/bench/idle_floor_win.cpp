// The floor of the tray benchmark: a hidden top-level window and a message loop, nothing else, so
// what Wine itself costs an idle GUI process can be told apart from what the tray adds. Started
// with "-system-dlls" it also does the system calls any tray must make (common controls, one
// notification icon, Winsock start-up), so their DLLs count in the floor too. Those are loaded at
// run time, so the plain floor does not map them.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <winsock2.h>

#include <cwchar>

namespace {
LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

template <typename Function>
Function entry(const wchar_t* dll, const char* name) {
    HMODULE module = LoadLibraryW(dll);
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

void startSystemDlls(HWND window) {
    using InitControls = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    using NotifyIcon = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);
    using StartWinsock = int(WINAPI*)(WORD, LPWSADATA);
    if (auto init = entry<InitControls>(L"comctl32.dll", "InitCommonControlsEx")) {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        init(&controls);
    }
    if (auto start = entry<StartWinsock>(L"ws2_32.dll", "WSAStartup")) {
        WSADATA data;
        start(MAKEWORD(2, 2), &data);
    }
    if (auto notify = entry<NotifyIcon>(L"shell32.dll", "Shell_NotifyIconW")) {
        NOTIFYICONDATAW icon{};
        icon.cbSize = sizeof(icon);
        icon.hWnd = window;
        icon.uID = 1;
        icon.uFlags = NIF_ICON | NIF_TIP;
        icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        lstrcpynW(icon.szTip, L"floor", 64);
        notify(NIM_ADD, &icon);
    }
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"VaultwickIdleFloor";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"floor", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, instance, nullptr);
    if (commandLine && std::wcsstr(commandLine, L"-system-dlls")) startSystemDlls(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}
