#include "config_file.h"

#include "config_values.h"
#include "text_format.h"

#include <vector>

namespace {

// A per-user path this long cannot be opened through the profile functions; it counts as absent.
constexpr std::size_t kLongestUsablePath = 259;

// A section read this long may have been cut at the system's limit, perhaps in the middle of a line.
constexpr std::size_t kPossiblyCutSection = kLongestProfileSection - 2;

constexpr std::size_t kFirstValueBuffer = 256;
// Only keeps a platform that always reports "cut" from exhausting memory.
constexpr std::size_t kLargestValueBuffer = std::size_t(1) << 26;

}  // namespace

ConfigFile::ConfigFile(ConfigPlatform& platform, ErrorLines& errors) : platform_(platform), errors_(errors) {}

void ConfigFile::logValuesTo(LaunchLog& log) {
    log_ = &log;
    for (const std::wstring& line : kept_) log.write(line);
    kept_.clear();
}

const std::optional<std::wstring>& ConfigFile::programPath() {
    if (!programPathKnown_) {
        programPathKnown_ = true;
        std::wstring path;
        unsigned long error = 0;
        if (platform_.programPath(path, error)) {
            programPath_ = path;
        } else {
            errors_.printWindowsError(LauncherText::ModulePathFailed, error);
        }
    }
    return programPath_;
}

std::optional<std::wstring> ConfigFile::mainPath() {
    const auto& program = programPath();
    if (!program) return std::nullopt;
    return ConfigPaths::mainPath(*program);
}

std::wstring ConfigFile::userPath(const std::wstring& productName, const std::wstring& productCode,
                                  bool createFolders) {
    const auto& program = programPath();
    if (!program) return std::wstring();
    std::wstring appData = platform_.environmentVariable(L"APPDATA");
    if (createFolders) {
        std::wstring productFolder = ConfigPaths::userProductFolder(appData, productName);
        platform_.createDirectory(productFolder);
        platform_.createDirectory(productFolder + L"\\" + productCode);
    }
    return ConfigPaths::userPath(appData, productName, productCode, *program);
}

bool ConfigFile::usesUserFile(bool serviceMode) { return !serviceMode && platform_.isNtPlatform(); }

std::wstring ConfigFile::readPlain(const std::wstring& section, const std::wstring& key) {
    auto path = mainPath();
    if (!path) return std::wstring();
    return readPlain(section, key, *path);
}

std::wstring ConfigFile::readPlain(const std::wstring& section, const std::wstring& key, const std::wstring& file) {
    const Section& read = this->section(file, section);
    std::wstring value = read.possiblyCut ? readOneKey(file, section, key) : read.keys.value(key);
    logValue(section, key, value, file);
    return value;
}

const ConfigFile::Section& ConfigFile::section(const std::wstring& file, const std::wstring& name) {
    auto& ofFile = sections_[file];
    auto found = ofFile.find(name);
    if (found != ofFile.end()) return found->second;
    const std::wstring lines = platform_.readProfileSection(file, name);
    Section read;
    read.possiblyCut = lines.size() >= kPossiblyCutSection;
    if (read.possiblyCut) {
        logLine(TextFormat::format(L"section [%s] of %s read as %lu characters, which may have been cut: its keys "
                                   L"are read one at a time",
                                   {name, file, static_cast<unsigned long>(lines.size())}));
    } else {
        read.keys = IniSection(lines);
    }
    return ofFile.emplace(name, std::move(read)).first->second;
}

std::wstring ConfigFile::readOneKey(const std::wstring& file, const std::wstring& section, const std::wstring& key) {
    // The platform cuts a value that does not fit and reports size - 1; grow until it fits.
    std::vector<wchar_t> buffer(kFirstValueBuffer);
    for (;;) {
        const std::size_t length = platform_.readProfileString(file, section, key, buffer.data(), buffer.size());
        if (length + 1 < buffer.size() || buffer.size() >= kLargestValueBuffer)
            return std::wstring(buffer.data(), length < buffer.size() ? length : 0);
        buffer.assign(buffer.size() * 2, L'\0');
    }
}

void ConfigFile::writePlain(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                            const std::wstring& file) {
    platform_.writeProfileString(file, section, key, value);
    sections_.erase(file);
}

void ConfigFile::logValue(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                          const std::wstring& file) {
    if (value.empty()) return;
    std::wstring line = L"setting [" + section + L"] " + key + L"=" + value;
    if (file != mainPath()) line += L" (from " + file + L")";
    // Some keys are read twice (the single-instance step reads "Application Type" first).
    if (logged_.insert(line).second) logLine(line);
}

void ConfigFile::logLine(const std::wstring& line) {
    if (log_) {
        log_->write(line);
    } else {
        kept_.push_back(line);
    }
}

std::wstring ConfigFile::readExpanded(const std::wstring& section, const std::wstring& key) {
    return platform_.expandEnvironment(read(section, key));
}

std::wstring ConfigFile::read(const std::wstring& section, const std::wstring& key) {
    std::wstring value = readPlain(section, key);
    if (!value.empty()) return value;
    value = readPlain(section + L"+", key);
    if (!value.empty() && value.front() != L' ') value.insert(value.begin(), L' ');
    return value;
}

namespace {

std::wstring readRuntimeFolder(ConfigFile& file, const LaunchConfig& config) {
    using namespace ConfigKeys;
    if (file.usesUserFile(config.serviceMode)) {
        std::wstring userFile = file.userPath(config.productName, config.productCode, false);
        if (!userFile.empty() && userFile.size() <= kLongestUsablePath && file.platform().fileExists(userFile)) {
            return file.readPlain(kJavaRuntime, kJrePath, userFile);
        }
    }
    return file.read(kJavaRuntime, kJrePath);
}

}  // namespace

bool readLaunchConfig(ConfigFile& file, LaunchConfig& config) {
    using namespace ConfigKeys;
    using namespace ConfigValues;
    if (!file.mainPath()) return false;

    config.productCode = file.readPlain(kProductInformation, kProductCode);
    config.productName = file.readPlain(kProductInformation, kProductName);
    config.minimumVersion = parseVersionLimit(file.read(kJavaRuntime, kMinimumVersion), kMinimumFill);
    config.maximumVersion = parseVersionLimit(file.read(kJavaRuntime, kMaximumVersion), kMaximumFill);
    config.serviceMode = isServiceMode(file.read(kApplication, kApplicationType));
    config.preferredVersions = parseList(file.read(kJavaRuntime, kPreferredVersions));
    config.jrePath = readRuntimeFolder(file, config);
    config.vmType = parseVmType(file.read(kJavaRuntime, kJvmType));
    config.sources = parseRuntimeSources(file.read(kJavaRuntime, kJvmSource));
    config.providers = parseVmProviders(file.read(kJavaRuntime, kVmProvider));
    config.mainClass = mainClassPath(file.read(kJavaRuntime, kMainClass));
    if (config.mainClass.empty()) {
        // A missing file reads as all-empty and ends here too; the keys after it stay unread.
        file.errors().print(LauncherText::MainClassMissing, {});
        return false;
    }
    config.failureCheck = isYes(file.read(kApplication, kFailureCheck));
    config.overrideWorkingDir = isYes(file.read(kApplication, kOverrideWorkingDir));
    config.systemPath = file.read(kJavaRuntime, kSystemPath);
    config.libraryPath = file.read(kJavaRuntime, kLibraryPath);
    config.stopTimeoutSeconds = parseSeconds(file.read(kApplication, kStopTimeout));
    config.shutdownTimeoutSeconds = parseSeconds(file.read(kApplication, kShutdownTimeout));
    return true;
}

void storeRuntimeFolder(ConfigFile& file, const LaunchConfig& config, const std::wstring& folder) {
    auto mainFile = file.mainPath();
    if (!mainFile) return;
    std::wstring target = *mainFile;
    if (file.usesUserFile(config.serviceMode)) {
        target = file.userPath(config.productName, config.productCode, true);
    }
    file.writePlain(ConfigKeys::kJavaRuntime, ConfigKeys::kJrePath, folder, target);
}
