#include "locate_runtime.h"

#include "launcher_messages.h"
#include "runtime_discovery.h"

bool mayAskForRuntimeFolder(const LaunchConfig& config) { return !config.serviceMode; }

std::wstring programFolderOf(const std::wstring& programPath) {
    std::size_t slash = programPath.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : programPath.substr(0, slash + 1);
}

bool locateRuntime(const LaunchConfig& config, ConfigFile& file, FileProbe& probe, RegistryReader& registry,
                   RuntimeFolderPrompt& prompt, std::wstring& vmLibraryPath, LaunchLog& log) {
    const auto& program = file.programPath();
    std::wstring found = searchVmLibrary(config, program ? programFolderOf(*program) : std::wstring(), probe, registry,
                                         file.platform().environmentVariable(L"JAVA_HOME"), log);
    if (!found.empty()) {
        vmLibraryPath = found;
        return true;
    }
    log.write(L"no runtime found");

    if (!mayAskForRuntimeFolder(config)) {
        file.errors().printMessage(jreNotFoundLine(file.errors(), config));
        return false;
    }
    const std::wstring message = jreNotFoundMessage(file.errors(), config);
    std::wstring folder;
    std::wstring library;
    if (!prompt.ask(message, config.vmType, folder, library) || library.empty()) {
        log.write(L"\"JRE Not Found\" dialog cancelled");
        return false;
    }
    log.write(L"chosen " + library + L" in the \"JRE Not Found\" dialog");
    storeRuntimeFolder(file, config, folder);
    vmLibraryPath = library;
    return true;
}
