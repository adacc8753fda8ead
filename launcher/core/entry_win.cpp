// VaultwickService.exe: reads the INI file beside it, finds a Java runtime, and runs the configured
// main class in this process, as an ordinary console program or as a Windows service. It has no
// options of its own; it reads the raw command line rather than the runtime's argument vector.
#include "config_platform_win.h"
#include "jre_not_found_dialog_win.h"
#include "launcher.h"
#include "launcher_text_win.h"
#include "process_end_win.h"
#include "runtime_probe_win.h"
#include "service_dispatch_win.h"

#include <windows.h>

int main() {
    LauncherErrorLines errors;
    Win32ConfigPlatform platform;
    Win32FileProbe probe;
    Win32RegistryReader registry;
    ResourceStrings strings;
    ShellFolderBrowser browser;
    DialogRuntimeFolderPrompt prompt(strings, browser, probe);
    Launcher launcher(errors, platform, probe, registry, prompt);

    // Before any string or dialog is loaded, so they come in the system's default language.
    SetThreadLocale(GetSystemDefaultLCID());

    int code = -1;
    const bool started = launcher.startUp();
    if (started) code = launcher.serviceMode() ? dispatchService(launcher) : launcher.run();
    // A service that failed says so in the event log too, where an administrator looks first; one that
    // ran said so itself before it reported STOPPED.
    if (!started) reportServiceError(launcher, launcher.serviceFailureText(), L"service failure");
    launcher.cleanUp();
    launcher.log().write(L"exit code " + std::to_wstring(code));
    // A service's process ends here, still inside its "Stop Timeout", and without the DLLs' detach code.
    if (launcher.serviceMode()) endThisProcess(static_cast<UINT>(code));
    return code;
}
