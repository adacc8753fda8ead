#include "launcher_messages.h"

#include "launcher_resource_ids.h"

namespace {

constexpr std::uint32_t kOpenMaximumPart = 65535;

bool isOpen(const VersionSpec& limit) {
    bool allZero = true;
    bool allMax = true;
    for (std::uint32_t part : limit.parts) {
        allZero = allZero && part == 0;
        allMax = allMax && part == kOpenMaximumPart;
    }
    return allZero || allMax;
}

}  // namespace

std::wstring formatVersion(const VersionSpec& version) {
    int last = -1;
    for (int i = 0; i < 4; ++i) {
        if (version.parts[i] != 0 && version.parts[i] != kOpenMaximumPart) last = i;
    }
    if (last < 0) return L"0.0.0.0";
    if (last < 1) last = 1;
    std::wstring text;
    for (int i = 0; i <= last; ++i) {
        if (i > 0) text += L'.';
        text += std::to_wstring(version.parts[i]);
    }
    return text;
}

std::wstring requiredVersionPhrase(StringSource& strings, const VersionSpec& minimum, const VersionSpec& maximum) {
    bool minimumOpen = isOpen(minimum);
    bool maximumOpen = isOpen(maximum);
    if (minimumOpen && maximumOpen) return strings.text(LauncherText::LatestVersion);
    if (minimumOpen) return TextFormat::format(strings.text(LauncherText::MaximumVersion), {formatVersion(maximum)});
    if (maximumOpen) return TextFormat::format(strings.text(LauncherText::MinimumVersion), {formatVersion(minimum)});
    if (minimum.parts == maximum.parts) {
        return TextFormat::format(strings.text(LauncherText::VersionRequired), {formatVersion(minimum)});
    }
    return TextFormat::format(strings.text(LauncherText::VersionBetween),
                              {formatVersion(minimum), formatVersion(maximum)});
}

std::wstring jreNotFoundMessage(StringSource& strings, const LaunchConfig& config) {
    unsigned id = config.vmType == VmType::Server ? LauncherText::JreNotFoundServer : LauncherText::JreNotFound;
    std::wstring phrase = requiredVersionPhrase(strings, config.minimumVersion, config.maximumVersion);
    return TextFormat::format(strings.text(id), {phrase});
}

std::wstring jreNotFoundLine(StringSource& strings, const LaunchConfig& config) {
    return jreNotFoundMessage(strings, config) + L" " JAVA_DOWNLOAD_ADDRESS;
}

std::wstring errorLineText(const std::wstring& message) { return TextFormat::format(L"Error: %s \n", {message}); }

void ErrorLinePrinter::printMessage(const std::wstring& message) {
    console_.write(console_.toNarrow(errorLineText(message)));
}
