// VaultwickTray.exe: prepares the process, reads the command line, creates the one controller and
// runs the window-message loop until a quit message (exit code 0) or a retrieval error (-1).
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "kov_text_win.h"
#include "tray_arguments.h"
#include "vaultwick_app_win.h"

namespace {

// A failing bounded copy then returns its error instead of ending the process.
void ignoreInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned int, uintptr_t) {}

std::vector<std::wstring> commandLineArguments() {
    int count = 0;
    LPWSTR* raw = CommandLineToArgvW(GetCommandLineW(), &count);
    auto release = [](LPWSTR* block) { LocalFree(block); };
    std::unique_ptr<LPWSTR, decltype(release)> owned(raw, release);
    std::vector<std::wstring> arguments;
    for (int i = 0; raw && i < count; ++i) arguments.emplace_back(raw[i]);
    return arguments;
}

int runMessageLoop() {
    MSG message;
    while (true) {
        const BOOL result = GetMessageW(&message, nullptr, 0, 0);
        if (result == 0) return 0;
        if (result == -1) return -1;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    KovToolkit::setModuleInstance(instance);

    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = 8;
    controls.dwICC = ICC_LINK_CLASS;
    InitCommonControlsEx(&controls);

    _set_invalid_parameter_handler(&ignoreInvalidParameter);

    // Never shut down explicitly: the process exit releases it.
    WSADATA winsock{};
    if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) {
        MessageBoxW(nullptr, L"Unable to start Vaultwick Tray, windows sockets are not available.", L"System Error",
                    MB_OK);
        return 0;
    }

    const TraySettings settings = parseTrayArguments(commandLineArguments());
    auto app = std::make_unique<VaultwickApp>(settings.installDirectory, settings.host, settings.port, settings.showUi);
    const int exitCode = runMessageLoop();
    app.reset();
    return exitCode;
}
