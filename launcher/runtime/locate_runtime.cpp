#include "locate_runtime.h"

#include "launcher_messages.h"
#include "runtime_discovery.h"

bool mayAskForRuntimeFolder(const LaunchConfig& config) { return !config.serviceMode; }

std::wstring programFolderOf(const std::wstring& programPath) {
    std::size_t slash = programPath.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : programPath.substr(0, slash + 1);
}

bool locateRuntime(const LaunchConfig& config, ConfigFile& file, FileProbe& probe, RegistryReader& registry,
                   RuntimeFolderPrompt& prompt, std::wstring& vmLibraryPath) {
    const auto& program = file.programPath();
    std::wstring found = searchVmLibrary(config, program ? programFolderOf(*program) : std::wstring(), probe, registry);
    if (!found.empty()) {
        vmLibraryPath = found;
        return true;
    }

    if (!mayAskForRuntimeFolder(config)) {
        file.errors().printMessage(jreNotFoundLine(file.errors(), config));
        return false;
    }
    const std::wstring message = jreNotFoundMessage(file.errors(), config);
    std::wstring folder;
    std::wstring library;
    if (!prompt.ask(message, config.vmType, folder, library) || library.empty()) return false;
    storeRuntimeFolder(file, config, folder);
    vmLibraryPath = library;
    return true;
}
