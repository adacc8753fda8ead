#pragma once
// The runtime search of start-up: the three sources, then, when nothing fits, asking the user for a
// runtime folder and storing the choice as "JRE Path".
#include <string>

#include "config_file.h"
#include "launch_config.h"
#include "launch_log.h"
#include "runtime_probe.h"

// The "JRE Not Found" dialog as the search sees it.
class RuntimeFolderPrompt {
public:
    virtual ~RuntimeFolderPrompt() = default;
    // Shows the dialog with `message`; true after OK, with the picked folder (ending in '\') and the VM
    // library found in it. False after Cancel, or when the dialog cannot be shown.
    virtual bool ask(const std::wstring& message, VmType vmType, std::wstring& folder, std::wstring& vmLibrary) = 0;
};

// A service has no interactive desktop: a dialog there is invisible and the start-up would hang for
// ever. So only an ordinary program asks; a service prints the message as an error line and fails.
bool mayAskForRuntimeFolder(const LaunchConfig& config);

// The program's folder up to and including its last '\' (the whole path when it has none: then empty).
std::wstring programFolderOf(const std::wstring& programPath);

// Sets `vmLibraryPath` and returns true when a source or the dialog found a library. The program's
// path comes from `file` (its failure has printed the Windows-error message, and that source is skipped),
// and so does the JAVA_HOME variable. Each source, candidate and the outcome go to `log`.
bool locateRuntime(const LaunchConfig& config, ConfigFile& file, FileProbe& probe, RegistryReader& registry,
                   RuntimeFolderPrompt& prompt, std::wstring& vmLibraryPath, LaunchLog& log = LaunchLog::none());
