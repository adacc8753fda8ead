#include "service_dispatch_win.h"

#include "config_platform_win.h"
#include "launcher.h"
#include "process_environment.h"
#include "service_record_win.h"

#include <string>

int dispatchService(Launcher& launcher) {
    std::wstring programPath;
    unsigned long error = 0;
    if (!currentProgramPath(programPath, error)) {
        launcher.errors().printWindowsError(LauncherText::ModulePathFailed, error);
        return -1;
    }
    ServiceControlManagerPort port;
    ServiceRecord record(launcher, fileNameOf(programPath), port);
    record.dispatch();  // succeeded or not, the service ends with 0
    return 0;
}
