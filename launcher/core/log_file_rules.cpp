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
    if (removed == kHeldOpen) {
        return line + TextFormat::format(L"; the old copy is held open (errno = %lu), so it is kept and this run "
                                         L"appends to the log; the next start tries again", {removed});
    }
    const unsigned long movedAgain = files.replace(path, target);
    if (movedAgain == 0) return line + L"; moved after deleting the old " + target;
    line += TextFormat::format(L", also after deleting the old one (errno = %lu, %lu)", {removed, movedAgain});
    if (removed == 0) return line + L"; the old one is gone, so the log is kept and goes on growing";
    const unsigned long emptied = files.truncate(path);
    if (emptied == 0) return line + L"; the log was emptied instead";
    return line + TextFormat::format(L"; emptying it failed too (errno = %lu), so it goes on growing", {emptied});
}

namespace {

// A service SID that only the system itself runs as; it owns and may change much of Program Files.
const wchar_t kTrustedInstallerSid[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

bool trusted(const std::wstring& sid, const std::wstring& account) {
    return sid == kSystemSid || sid == kAdministratorsSid || sid == kTrustedInstallerSid ||
           (!account.empty() && sid == account);
}

// CREATOR OWNER and OWNER RIGHTS stand for the owner, who is trusted by the time entries are read.
bool trustedEntry(const std::wstring& sid, const std::wstring& account) {
    return trusted(sid, account) || sid == L"S-1-3-0" || sid == L"S-1-3-4";
}

std::wstring untrustedOwner(const FileAccess& access) {
    return TextFormat::format(L"it is owned by %s, not by SYSTEM, Administrators or this account", {access.owner});
}

std::wstring sidOf(const AccessEntry& entry) { return entry.sid.empty() ? L"an entry of an unknown kind" : entry.sid; }

constexpr std::uint8_t kInheritOnly = 0x08;
// What lets its holder plant something in a folder: add a file (0x2) or folder (0x4), delete what is
// in it (0x40), change its rights (WRITE_DAC) or owner (WRITE_OWNER); generic write and all hold them.
constexpr std::uint32_t kPlantingRights = 0x2 | 0x4 | 0x40 | 0x40000 | 0x80000 | 0x10000000 | 0x40000000;

}  // namespace

LogAccessJudgement judgeLogAccess(const FileAccess& access, const std::wstring& account) {
    if (!trusted(access.owner, account)) return {LogAccessVerdict::OwnedByOthers, untrustedOwner(access)};
    if (!access.hasDacl) return {LogAccessVerdict::OthersMayOpen, L"it has no access list, so anyone may open it"};
    for (const AccessEntry& entry : access.entries) {
        if (!entry.denies && !trustedEntry(entry.sid, account) && (entry.mask != 0 || !entry.allows))
            return {LogAccessVerdict::OthersMayOpen, L"its access rights let " + sidOf(entry) + L" open it"};
    }
    const LogAccessJudgement notOwn{LogAccessVerdict::ReplaceRights, L"its access rights are not its own"};
    if (!access.daclProtected || account.empty()) return notOwn;
    bool system = false, administrators = false, self = false;
    for (const AccessEntry& entry : access.entries) {
        if (!entry.allows || entry.mask != kFileAllAccess || entry.flags != 0 || !trusted(entry.sid, account))
            return notOwn;
        system = system || entry.sid == kSystemSid;
        administrators = administrators || entry.sid == kAdministratorsSid;
        self = self || entry.sid == account;
    }
    return system && administrators && self ? LogAccessJudgement{LogAccessVerdict::Keep, std::wstring()} : notOwn;
}

std::wstring folderRefusal(const FileFacts& folder, const std::wstring& account) {
    if (folder.reparsePoint) return L"it is a link, junction or mount point";
    if (!folder.directory) return L"it is not a folder";
    const FileAccess& access = folder.access;
    if (!trusted(access.owner, account)) return untrustedOwner(access);
    if (!access.hasDacl) return L"it has no access list, so anyone may add files to it";
    for (const AccessEntry& entry : access.entries) {
        if (entry.denies || (entry.flags & kInheritOnly) || trustedEntry(entry.sid, account)) continue;
        if (!entry.allows || (entry.mask & kPlantingRights))
            return L"its access rights let " + sidOf(entry) +
                   L" add files or folders, delete what is in it or change its rights";
    }
    return std::wstring();
}

std::wstring fileRefusal(const FileFacts& file) {
    if (file.reparsePoint) return L"it is a link, junction or mount point";
    if (file.links > 1) return TextFormat::format(L"it is one of %lu names (hard links) of one file", {file.links});
    return std::wstring();
}

std::wstring movedAsidePath(const std::wstring& path, unsigned attempt) {
    return path + L".untrusted" + (attempt == 0 ? std::wstring() : L"-" + std::to_wstring(attempt + 1));
}

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
