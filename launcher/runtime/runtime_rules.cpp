#include "runtime_rules.h"

#include <array>
#include <cstdint>

#include "launcher_messages.h"
#include "pe_image.h"
#include "text_format.h"

namespace {

bool allZero(const VersionSpec& v) { return v.parts == std::array<std::uint32_t, 4>{0, 0, 0, 0}; }
bool allOpen(const VersionSpec& v) { return v.parts == std::array<std::uint32_t, 4>{65535, 65535, 65535, 65535}; }

}  // namespace

VmLibrary findVmLibrary(FileProbe& probe, const std::wstring& folder, VmType vmType) {
    struct Probe {
        const wchar_t* relative;
        bool server;
    };
    static const Probe serverFirst = {L"bin\\server\\jvm.dll", true};
    static const Probe inOrder[] = {
        {L"bin\\client\\jvm.dll", false}, {L"bin\\classic\\jvm.dll", false}, {L"bin\\hotspot\\jvm.dll", false},
        {L"bin\\server\\jvm.dll", true},  {L"bin\\jrockit\\jvm.dll", false},
    };
    if (vmType == VmType::Server || vmType == VmType::FavorServer) {
        std::wstring path = folder + serverFirst.relative;
        if (probe.exists(path)) return {path, true};
        if (vmType == VmType::Server) return {};
    }
    for (const Probe& p : inOrder) {
        std::wstring path = folder + p.relative;
        if (probe.exists(path)) return {path, p.server};
    }
    return {};
}

int compareVersions(const VersionSpec& a, const VersionSpec& b) {
    for (std::size_t i = 0; i < 4; ++i) {
        auto x = static_cast<std::int32_t>(a.parts[i]);
        auto y = static_cast<std::int32_t>(b.parts[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

bool withinVersionLimits(const VersionSpec& version, const LaunchConfig& config) {
    if (!allZero(config.maximumVersion) && compareVersions(version, config.maximumVersion) > 0) return false;
    return compareVersions(version, config.minimumVersion) >= 0;
}

bool hasVersionLimits(const LaunchConfig& config) {
    bool openMaximum = allZero(config.maximumVersion) || allOpen(config.maximumVersion);
    return !allZero(config.minimumVersion) || !openMaximum;
}

std::wstring withTrailingBackslash(std::wstring folder) {
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::wstring foreignMachineReason(FileProbe& probe, const std::wstring& library) {
    auto machine = PeImage::machine(probe.readHead(library, PeImage::kHeaderBytes));
    if (!machine || *machine == PeImage::kMachineAmd64) return std::wstring();
    // ARM64 is 64-bit too, so the line names the one machine this program can load.
    return TextFormat::format(L"not an x86-64 library (machine 0x%04X)", {static_cast<unsigned>(*machine)});
}

std::wstring versionForLog(const VersionSpec& version) {
    return version.count == 0 ? std::wstring(L"none") : formatVersion(version);
}
