#include "log_file_rules.h"

#include "text_format.h"

namespace LogFileRules {

namespace {

bool isAbsolute(const std::wstring& path) {
    if (!path.empty() && (path[0] == L'\\' || path[0] == L'/')) return true;  // rooted or UNC
    return path.size() >= 2 && path[1] == L':';                                // drive letter
}

std::wstring folderOf(const std::wstring& path) {
    std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace

std::wstring logFilePath(const std::wstring& setting, const std::wstring& programPath, bool serviceMode) {
    if (setting.empty()) {
        if (!serviceMode || programPath.empty()) return std::wstring();
        std::wstring base = programPath;
        std::size_t dot = base.rfind(L'.');
        if (dot != std::wstring::npos && dot > base.find_last_of(L"\\/") + 1) base.erase(dot);
        return base + L".log";
    }
    return isAbsolute(setting) ? setting : folderOf(programPath) + setting;
}

bool needsRotation(std::uint64_t size) { return size > kRotationBytes; }

std::wstring rotatedPath(const std::wstring& path) { return path + L".1"; }

std::wstring logLine(const LocalTime& t, unsigned long threadId, const std::wstring& text) {
    std::wstring flat;
    flat.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            flat += L" | ";
        } else {
            flat += text[i];
        }
    }
    while (!flat.empty() && (flat.back() == L' ' || flat.back() == L'|')) flat.pop_back();
    return TextFormat::format(L"%04u-%02u-%02u %02u:%02u:%02u.%03u [thread %lu] %s",
                              {t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond, threadId, flat});
}

}  // namespace LogFileRules
