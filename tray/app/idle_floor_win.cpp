// The floor of the tray benchmark: a hidden top-level window and a message loop, nothing else, so
// what Wine itself costs an idle GUI process can be told apart from what the tray adds.
#include <windows.h>

namespace {
LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"VaultwickIdleFloor";
    RegisterClassW(&windowClass);
    CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"floor", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                    instance, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}
