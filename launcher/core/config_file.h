#pragma once
// The launcher's INI file: where it is, the two ways a key is read, the configuration step that fills
// LaunchConfig, and the one write ("JRE Path" after the user picked a runtime folder).
//
// Each section is read from the file once, whole, and its keys are looked up in memory with the
// platform's own rules (names match without case, the first line of a name wins, blanks and one pair
// of quotes around a value are removed): one file read per section instead of one per key. A section
// whose read may have been cut by the system's limit has its keys read one at a time instead.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "config_platform.h"
#include "error_lines.h"
#include "ini_section.h"
#include "launch_config.h"
#include "launch_log.h"

class ConfigFile {
public:
    ConfigFile(ConfigPlatform& platform, ErrorLines& errors);

    // Every value read that is not empty goes to `log` once, as it stands in the file, so the
    // administrator sees what the launcher took from it. Values read before are written now.
    void logValuesTo(LaunchLog& log);

    // Beside the program, same base name, ".ini". When the program's path cannot be obtained the
    // Windows-error message is printed (once) and there is no path; a path without '.' gives none too.
    std::optional<std::wstring> mainPath();

    // APPDATA\<filtered product name>\<product code>\<program base name>.ini; with `createFolders` the two
    // folders below APPDATA are created first. Empty when the program's path cannot be obtained.
    std::wstring userPath(const std::wstring& productName, const std::wstring& productCode, bool createFolders);

    // Whether "JRE Path" lives in the per-user file: on the NT platform and not in service mode.
    bool usesUserFile(bool serviceMode);

    // One key of one section, of any length; empty when missing. Without `file`, the main file.
    std::wstring readPlain(const std::wstring& section, const std::wstring& key);
    std::wstring readPlain(const std::wstring& section, const std::wstring& key, const std::wstring& file);

    // The key from `section`; when empty there, from `section` + "+" with one space put in front.
    std::wstring read(const std::wstring& section, const std::wstring& key);

    // Writes one key (result ignored, as every caller does); later reads of that file see it.
    void writePlain(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                    const std::wstring& file);

    // The layered read with %NAME% references expanded ("Output File", "Error File", "Cmd").
    std::wstring readExpanded(const std::wstring& section, const std::wstring& key);

    // The program's full path, obtained once; on failure the Windows-error message was printed.
    const std::optional<std::wstring>& programPath();

    ConfigPlatform& platform() { return platform_; }
    ErrorLines& errors() { return errors_; }

private:
    // A section as read whole; `possiblyCut` when the read may have lost its tail, and its keys are
    // then read one at a time.
    struct Section {
        IniSection keys;
        bool possiblyCut = false;
    };

    void logValue(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                  const std::wstring& file);
    void logLine(const std::wstring& line);
    const Section& section(const std::wstring& file, const std::wstring& name);
    std::wstring readOneKey(const std::wstring& file, const std::wstring& section, const std::wstring& key);

    ConfigPlatform& platform_;
    ErrorLines& errors_;
    LaunchLog* log_ = nullptr;
    std::vector<std::wstring> kept_;  // lines for the log while there is none yet
    std::set<std::wstring> logged_;
    bool programPathKnown_ = false;
    std::optional<std::wstring> programPath_;
    // Keyed by file, then section name, both as given (the names used are constants, so the case of
    // a name never varies between reads of the same section).
    std::map<std::wstring, std::map<std::wstring, Section>> sections_;
};

// The configuration step: reads the keys in their fixed order into `config`. Fails (after printing the
// main-class message) when "Main Class" is empty, or when there is no main configuration path.
bool readLaunchConfig(ConfigFile& file, LaunchConfig& config);

// Writes the folder picked in the "JRE Not Found" dialog as "JRE Path": to the per-user file (folders
// created) when that file is in use, otherwise to the main file. Only tried when a main path exists.
void storeRuntimeFolder(ConfigFile& file, const LaunchConfig& config, const std::wstring& folder);
