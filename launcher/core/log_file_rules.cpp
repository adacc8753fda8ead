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

namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Where the folders below the root begin: after `\\server\share`, after a drive's colon, else 0.
std::size_t rootLength(const std::wstring& path) {
    std::size_t start = 0;
    bool unc = false;
    if (path.compare(0, 4, L"\\\\?\\") == 0) {
        start = 4;
        if (path.compare(4, 4, L"UNC\\") == 0) {
            start = 8;
            unc = true;
        }
    } else if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        start = 2;
        unc = true;
    }
    if (unc) {
        std::size_t end = start;
        for (int part = 0; part < 2 && end < path.size(); ++part) {  // server, then share
            while (end < path.size() && !isSeparator(path[end])) ++end;
            if (part == 0 && end < path.size()) ++end;
        }
        return end;
    }
    return path.size() >= start + 2 && path[start + 1] == L':' ? start + 2 : start;
}

}  // namespace

std::vector<std::wstring> foldersOf(const std::wstring& path) {
    std::vector<std::wstring> folders;
    for (std::size_t i = rootLength(path) + 1; i < path.size(); ++i) {
        if (isSeparator(path[i]) && !isSeparator(path[i - 1]))
            folders.push_back(path.substr(0, i));
    }
    return folders;
}

std::wstring rotate(const std::wstring& path, RotationFiles& files) {
    const std::wstring target = rotatedPath(path);
    const unsigned long moved = files.replace(path, target);
    if (moved == 0) return std::wstring();
    std::wstring line = TextFormat::format(L"log rotation: moving the log to %s failed (errno = %lu)", {target, moved});
    if (const unsigned long held = files.movable(path)) {
        return line + TextFormat::format(L"; the log itself is held open (errno = %lu): appending to it, the next "
                                         L"start tries again", {held});
    }
    const unsigned long removed = files.remove(target);
    const unsigned long movedAgain = files.replace(path, target);
    if (movedAgain == 0) return line + L"; moved after deleting the old " + target;
    line += TextFormat::format(L", also after deleting the old one (errno = %lu, %lu)", {removed, movedAgain});
    if (removed == 0) return line + L"; the old one is gone, so the log is kept and goes on growing";
    const unsigned long emptied = files.truncate(path);
    if (emptied == 0) return line + L"; the log was emptied instead";
    return line + TextFormat::format(L"; emptying it failed too (errno = %lu), so it goes on growing", {emptied});
}

LogAccessVerdict judgeLogAccess(const FileAccess& access, const std::wstring& account) {
    auto trusted = [&](const std::wstring& sid) {
        return sid == kSystemSid || sid == kAdministratorsSid || (!account.empty() && sid == account);
    };
    if (!trusted(access.owner)) return LogAccessVerdict::MoveAside;
    if (!access.hasDacl || !access.daclProtected || account.empty()) return LogAccessVerdict::ReplaceRights;
    bool system = false, administrators = false, self = false;
    for (const AccessEntry& entry : access.entries) {
        if (!entry.allows || entry.mask != kFileAllAccess || entry.flags != 0 || !trusted(entry.sid))
            return LogAccessVerdict::ReplaceRights;
        system = system || entry.sid == kSystemSid;
        administrators = administrators || entry.sid == kAdministratorsSid;
        self = self || entry.sid == account;
    }
    return system && administrators && self ? LogAccessVerdict::Keep : LogAccessVerdict::ReplaceRights;
}

std::wstring movedAsidePath(const std::wstring& path) { return path + L".untrusted"; }

std::wstring rotationLockName(const std::wstring& path) {
    static const std::wstring prefix = L"Global\\VaultwickServiceLog:";
    constexpr std::size_t kLongestName = 259;  // MAX_PATH with its terminator
    if (prefix.size() + path.size() > kLongestName) {
        std::uint64_t hash = 14695981039346656037ull;  // FNV-1a over UTF-16 units: the same on every platform
        for (wchar_t c : path) {
            const unsigned unit = static_cast<unsigned>(c) & 0xFFFFu;
            for (unsigned byte : {unit & 0xFFu, unit >> 8}) {
                hash ^= byte;
                hash *= 1099511628211ull;
            }
        }
        return prefix +
               TextFormat::format(L"#%08x%08x", {static_cast<unsigned>(hash >> 32), static_cast<unsigned>(hash)});
    }
    std::wstring name = prefix + path;
    for (std::size_t i = prefix.size(); i < name.size(); ++i)
        if (name[i] == L'\\') name[i] = L'/';
    return name;
}

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
