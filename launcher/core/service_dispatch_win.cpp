#include "service_dispatch_win.h"

#include "config_platform_win.h"
#include "launcher.h"
#include "process_environment.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

Launcher* gLauncher = nullptr;  // valid while the dispatcher runs

// The dispatcher's thread for the service. Status reports and the stop/shutdown control handler
// belong here, around the run step; for now the service simply runs the Java program.
void WINAPI serviceMain(DWORD argc, LPWSTR* argv) {
    std::vector<std::wstring> startArguments;
    for (DWORD i = 1; i < argc; ++i) startArguments.emplace_back(argv[i]);
    gLauncher->appendProgramArguments(startArguments);
    gLauncher->run();
}

}  // namespace

int dispatchService(Launcher& launcher) {
    std::wstring programPath;
    unsigned long error = 0;
    if (!currentProgramPath(programPath, error)) {
        launcher.errors().printWindowsError(LauncherText::ModulePathFailed, error);
        return -1;
    }
    std::wstring name = fileNameOf(programPath);
    gLauncher = &launcher;
    SERVICE_TABLE_ENTRYW table[] = {{name.data(), serviceMain}, {nullptr, nullptr}};
    StartServiceCtrlDispatcherW(table);
    gLauncher = nullptr;
    return 0;
}
