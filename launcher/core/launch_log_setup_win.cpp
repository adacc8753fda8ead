#include "launch_log_setup_win.h"

#include "log_file_rules.h"
#include "vw_version.h"

#include <windows.h>

namespace {

// The main file, and the per-user file when this run reads "JRE Path" from it.
std::wstring configurationFiles(ConfigFile& file, const LaunchConfig& config) {
    std::wstring files = file.mainPath().value_or(L"(none)");
    if (file.usesUserFile(config.serviceMode)) {
        const std::wstring user = file.userPath(config.productName, config.productCode, false);
        if (file.platform().fileExists(user)) files += L" and " + user;
    }
    return files;
}

}  // namespace

void openLaunchLog(LaunchLogFile& log, ConfigFile& file, LaunchConfig& config) {
    config.logFile = file.platform().expandEnvironment(file.readPlain(ConfigKeys::kApplication, ConfigKeys::kLogFile));
    const auto& program = file.programPath();
    const std::wstring path = LogFileRules::logFilePath(config.logFile, program.value_or(L""), config.serviceMode);
    if (path.empty()) {
        log.discard();
        return;
    }
    // The start line first: lines held from before the log opened belong to this run. The version
    // compiled in: reading the exe's own version resource would load VERSION.dll at every start.
    log.open(path, std::wstring(L"start: VaultwickService " VW_VERSION_FOUR) +
                       (config.serviceMode ? L", service mode" : L", ordinary mode") + L", process " +
                       std::to_wstring(GetCurrentProcessId()) + L", configuration " + configurationFiles(file, config));
}
