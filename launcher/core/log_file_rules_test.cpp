// Where the launcher log goes, when it is rotated, and the shape of its lines.
#include "log_file_rules.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <map>
#include <vector>

using namespace LogFileRules;

TEST(LogFileRules, PathFromTheSettingAndTheMode) {
    const std::wstring program = L"C:\\Apps\\VaultwickService.exe";
    EXPECT_EQ(logFilePath(L"", program, true), L"C:\\Apps\\VaultwickService.log");
    EXPECT_EQ(logFilePath(L"", program, false), L"");  // an ordinary program logs only when asked
    EXPECT_EQ(logFilePath(L"logs\\launch.log", program, false), L"C:\\Apps\\logs\\launch.log");
    EXPECT_EQ(logFilePath(L"D:\\var\\vw.log", program, true), L"D:\\var\\vw.log");
    EXPECT_EQ(logFilePath(L"\\\\server\\share\\vw.log", program, true), L"\\\\server\\share\\vw.log");
    EXPECT_EQ(logFilePath(L"\\var\\vw.log", program, true), L"\\var\\vw.log");
    // A program without an extension, and a dot only in a folder name.
    EXPECT_EQ(logFilePath(L"", L"C:\\Apps.v2\\VaultwickService", true), L"C:\\Apps.v2\\VaultwickService.log");
    EXPECT_EQ(logFilePath(L"", L"", true), L"");
}

TEST(LogFileRules, RotationPastOneMebibyte) {
    EXPECT_FALSE(needsRotation(1024 * 1024));
    EXPECT_TRUE(needsRotation(1024 * 1024 + 1));
    EXPECT_EQ(rotatedPath(L"C:\\Apps\\VaultwickService.log"), L"C:\\Apps\\VaultwickService.log.1");
}

// Files kept by name; each operation on a path fails with the errors listed for it, in turn, then works.
class FakeFiles : public RotationFiles {
public:
    using Errors = std::map<std::wstring, std::vector<unsigned long>>;
    std::map<std::wstring, std::string> files;
    Errors replaceFails, removeFails, truncateFails, movableFails;
    std::vector<std::wstring> calls;

    unsigned long replace(const std::wstring& from, const std::wstring& to) override {
        calls.push_back(L"replace " + to);
        if (unsigned long e = next(replaceFails, to)) return e;
        files[to] = files[from];
        files.erase(from);
        return 0;
    }
    unsigned long remove(const std::wstring& path) override {
        calls.push_back(L"remove " + path);
        if (unsigned long e = next(removeFails, path)) return e;
        files.erase(path);
        return 0;
    }
    unsigned long truncate(const std::wstring& path) override {
        calls.push_back(L"truncate " + path);
        if (unsigned long e = next(truncateFails, path)) return e;
        files[path].clear();
        return 0;
    }
    unsigned long movable(const std::wstring& path) override {
        calls.push_back(L"movable " + path);
        return next(movableFails, path);
    }

private:
    static unsigned long next(Errors& errors, const std::wstring& path) {
        std::vector<unsigned long>& list = errors[path];
        if (list.empty()) return 0;
        unsigned long error = list.front();
        list.erase(list.begin());
        return error;
    }
};

TEST(LogFileRules, RotationFallsBackToDeletingTheOldFileThenToEmptyingTheLog) {
    using Files = std::map<std::wstring, std::string>;
    const std::wstring log = L"C:\\Apps\\x.log", old = L"C:\\Apps\\x.log.1";
    {
        FakeFiles fs;
        fs.files = {{log, "big"}, {old, "older"}};
        EXPECT_EQ(rotate(log, fs), L"");
        EXPECT_EQ(fs.files, (Files{{old, "big"}}));
    }
    {  // The old file could not be replaced (read-only, say): deleted, then the move works.
        FakeFiles fs;
        fs.files = {{log, "big"}, {old, "older"}};
        fs.replaceFails[old] = {5};
        EXPECT_EQ(rotate(log, fs), L"log rotation: moving the log to C:\\Apps\\x.log.1 failed (errno = 5); "
                                   L"moved after deleting the old C:\\Apps\\x.log.1");
        EXPECT_EQ(fs.files, (Files{{old, "big"}}));
    }
    {  // Neither move works: the log is emptied rather than left to grow; the old file stays.
        FakeFiles fs;
        fs.files = {{log, "big"}, {old, "older"}};
        fs.replaceFails[old] = {32, 32};
        fs.removeFails[old] = {5};
        EXPECT_EQ(rotate(log, fs), L"log rotation: moving the log to C:\\Apps\\x.log.1 failed (errno = 32), also "
                                   L"after deleting the old one (errno = 5, 32); the log was emptied instead");
        EXPECT_EQ(fs.files, (Files{{log, ""}, {old, "older"}}));
    }
    {  // Emptying fails too: said so, nothing lost.
        FakeFiles fs;
        fs.files = {{log, "big"}, {old, "older"}};
        fs.replaceFails[old] = {183, 183};
        fs.removeFails[old] = {5};
        fs.truncateFails[log] = {32};
        EXPECT_EQ(rotate(log, fs), L"log rotation: moving the log to C:\\Apps\\x.log.1 failed (errno = 183), also "
                                   L"after deleting the old one (errno = 5, 183); emptying it failed too (errno = 32), "
                                   L"so it goes on growing");
        EXPECT_EQ(fs.files[log], "big");
    }
}

// Both generations are never lost in one rotation: a log that a reader holds open (it cannot be moved)
// leaves the old file alone, and once the old file is deleted the log is no longer emptied.
TEST(LogFileRules, RotationNeverWipesBothGenerations) {
    using Files = std::map<std::wstring, std::string>;
    const std::wstring log = L"C:\\Apps\\x.log", old = L"C:\\Apps\\x.log.1";
    {
        FakeFiles fs;
        fs.files = {{log, "big"}, {old, "older"}};
        fs.replaceFails[old] = {32};
        fs.movableFails[log] = {32};
        EXPECT_EQ(rotate(log, fs), L"log rotation: moving the log to C:\\Apps\\x.log.1 failed (errno = 32); the log "
                                   L"itself is held open (errno = 32): appending to it, the next start tries again");
        EXPECT_EQ(fs.files, (Files{{log, "big"}, {old, "older"}}));
        EXPECT_EQ(fs.calls, (std::vector<std::wstring>{L"replace " + old, L"movable " + log}));
    }
    {  // The old copy is held open by a reader: both stay, and this run appends to the log.
        FakeFiles fs;
        fs.files = {{log, "big"}, {old, "older"}};
        fs.replaceFails[old] = {5};
        fs.removeFails[old] = {kHeldOpen};
        EXPECT_EQ(rotate(log, fs), L"log rotation: moving the log to C:\\Apps\\x.log.1 failed (errno = 5); the old "
                                   L"copy is held open (errno = 32), so it is kept and this run appends to the log; "
                                   L"the next start tries again");
        EXPECT_EQ(fs.files, (Files{{log, "big"}, {old, "older"}}));
    }
    {
        FakeFiles fs;
        fs.files = {{log, "big"}, {old, "older"}};
        fs.replaceFails[old] = {183, 5};
        EXPECT_EQ(rotate(log, fs), L"log rotation: moving the log to C:\\Apps\\x.log.1 failed (errno = 183), also "
                                   L"after deleting the old one (errno = 0, 5); the old one is gone, so the log is kept "
                                   L"and goes on growing");
        EXPECT_EQ(fs.files, (Files{{log, "big"}}));
    }
}

// An existing log is judged by its owner and DACL as Windows reports them (Wine keeps only permission
// bits, so the owners and entries below cannot be made there).
TEST(LogFileRules, ExistingLogIsKeptOnlyWhenOursAloneToRead) {
    const std::wstring self = L"S-1-5-21-1-2-3-1001", other = L"S-1-5-21-1-2-3-1002";
    auto full = [](const std::wstring& sid) { return AccessEntry{true, sid, kFileAllAccess, 0}; };
    const FileAccess ours{self, true, true, {full(kSystemSid), full(kAdministratorsSid), full(self)}};
    auto verdict = [](const FileAccess& access, const std::wstring& account) {
        return judgeLogAccess(access, account).verdict;
    };
    EXPECT_EQ(verdict(ours, self), LogAccessVerdict::Keep);
    for (const wchar_t* owner : {kSystemSid, kAdministratorsSid}) {
        FileAccess access = ours;
        access.owner = owner;
        EXPECT_EQ(verdict(access, self), LogAccessVerdict::Keep) << owner;
    }
    // A service running as SYSTEM: its own entry is SYSTEM's.
    const FileAccess asSystem{kSystemSid, true, true, {full(kSystemSid), full(kAdministratorsSid), full(kSystemSid)}};
    EXPECT_EQ(verdict(asSystem, kSystemSid), LogAccessVerdict::Keep);

    // Someone else's file: whatever its rights, they can read it and change them.
    FileAccess foreign = ours;
    foreign.owner = other;
    EXPECT_EQ(judgeLogAccess(foreign, self).why,
              L"it is owned by " + other + L", not by SYSTEM, Administrators or this account");
    foreign.owner = L"S-1-1-0";  // Everyone
    EXPECT_EQ(verdict(foreign, self), LogAccessVerdict::OwnedByOthers);

    // Ours, but others may be reading it already: new rights would not close their handles.
    std::vector<FileAccess> open(3, ours);
    open[0].hasDacl = false;
    open[1].entries.push_back(AccessEntry{true, L"S-1-5-32-545", 0x1200A9, 0});  // Users may read
    open[2].entries.push_back(AccessEntry{false, L"", 0, 0});                     // an entry of a kind not known
    for (std::size_t i = 0; i < open.size(); ++i)
        EXPECT_EQ(verdict(open[i], self), LogAccessVerdict::OthersMayOpen) << i;
    EXPECT_EQ(judgeLogAccess(open[1], self).why, L"its access rights let S-1-5-32-545 open it");

    // Only trusted ones get in, but the rights are not the log's own.
    std::vector<FileAccess> loose(6, ours);
    loose[0].daclProtected = false;
    loose[1].entries[2].flags = 0x10;  // inherited
    loose[2].entries[2].allows = false;
    loose[3].entries.pop_back();       // not even this account
    loose[4].entries[1].mask = 0x120089;
    loose[5].entries.push_back(AccessEntry{false, other, kFileAllAccess, 0, true});  // a denial lets no one in
    for (std::size_t i = 0; i < loose.size(); ++i)
        EXPECT_EQ(verdict(loose[i], self), LogAccessVerdict::ReplaceRights) << i;
    // The account could not be read: nothing is known to be ours alone.
    const FileAccess trustedOnly{kSystemSid, true, true, {full(kSystemSid), full(kAdministratorsSid)}};
    EXPECT_EQ(verdict(trustedOnly, L""), LogAccessVerdict::ReplaceRights);
}

// Nothing a user planted is followed: the log's folder must be a trusted folder where no one else may
// add, delete or re-permission entries, and the log and its old copy neither links nor other names.
TEST(LogFileRules, FoldersAndFilesThatCouldBePlantedAreRefused) {
    const std::wstring self = L"S-1-5-21-1-2-3-1001", other = L"S-1-5-21-1-2-3-1002", users = L"S-1-5-32-545";
    const std::wstring installer = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
    const std::uint32_t readExecute = 0x1200A9, addFile = 0x2, addFolder = 0x4, deleteChild = 0x40,
                        writeDac = 0x40000, genericWrite = 0x40000000;
    const std::uint8_t inherited = 0x10, inheritOnly = 0x08 | 0x03;
    auto entry = [](const std::wstring& sid, std::uint32_t mask, std::uint8_t flags = 0) {
        return AccessEntry{true, sid, mask, flags};
    };
    // A folder of the program under Program Files, as its installer leaves it.
    FileFacts programFolder;
    programFolder.directory = true;
    programFolder.access = {kAdministratorsSid, true, false,
                            {entry(installer, kFileAllAccess, inherited), entry(kSystemSid, kFileAllAccess, inherited),
                             entry(users, readExecute, inherited), entry(L"S-1-3-0", 0x10000000, inheritOnly)}};
    auto with = [&](const std::function<void(FileFacts&)>& change) {
        FileFacts facts = programFolder;
        change(facts);
        return facts;
    };
    const std::wstring plants = L" add files or folders, delete what is in it or change its rights";
    const struct {
        FileFacts facts;
        std::wstring refusal;
    } folders[] = {
        {programFolder, L""},
        {with([&](FileFacts& f) { f.access.owner = self; }), L""},
        {with([&](FileFacts& f) { f.access.entries.push_back(AccessEntry{false, users, addFile, 0, true}); }), L""},
        {with([&](FileFacts& f) { f.access.entries.push_back(entry(users, genericWrite, inheritOnly)); }), L""},
        // %ProgramData%: every user may create files and folders there.
        {with([&](FileFacts& f) { f.access.entries.push_back(entry(users, addFile | addFolder, inherited)); }),
         L"its access rights let S-1-5-32-545" + plants},
        {with([&](FileFacts& f) { f.access.entries.push_back(entry(other, deleteChild | writeDac)); }),
         L"its access rights let " + other + plants},
        {with([&](FileFacts& f) { f.access.entries.push_back(entry(L"S-1-1-0", genericWrite)); }),
         L"its access rights let S-1-1-0" + plants},
        {with([&](FileFacts& f) { f.access.entries.push_back(AccessEntry{false, L"", 0, 0}); }),
         L"its access rights let an entry of an unknown kind" + plants},
        {with([&](FileFacts& f) { f.access.owner = other; }),
         L"it is owned by " + other + L", not by SYSTEM, Administrators or this account"},
        {with([&](FileFacts& f) { f.access.hasDacl = false; }), L"it has no access list, so anyone may add files to it"},
        // A mount point made where the folder would be (to the object manager's \RPC Control, say).
        {with([&](FileFacts& f) { f.reparsePoint = true; }), L"it is a link, junction or mount point"},
        {with([&](FileFacts& f) { f.directory = false; }), L"it is not a folder"},
    };
    for (std::size_t i = 0; i < std::size(folders); ++i)
        EXPECT_EQ(folderRefusal(folders[i].facts, self), folders[i].refusal) << i;

    FileFacts file;
    EXPECT_EQ(fileRefusal(file), L"");
    file.links = 2;
    EXPECT_EQ(fileRefusal(file), L"it is one of 2 names (hard links) of one file");
    file.links = 1;
    file.reparsePoint = true;
    EXPECT_EQ(fileRefusal(file), L"it is a link, junction or mount point");

    // A log moved aside never takes the place of one moved aside before.
    EXPECT_EQ(movedAsidePath(L"C:\\Logs\\x.log", 0), L"C:\\Logs\\x.log.untrusted");
    EXPECT_EQ(movedAsidePath(L"C:\\Logs\\x.log", 1), L"C:\\Logs\\x.log.untrusted-2");
}

TEST(LogFileRules, EveryFolderBelowTheRootIsCreatedOutermostFirst) {
    using Folders = std::vector<std::wstring>;
    EXPECT_EQ(foldersOf(L"C:\\ProgramData\\Vaultwick\\logs\\launch.log"),
              (Folders{L"C:\\ProgramData", L"C:\\ProgramData\\Vaultwick", L"C:\\ProgramData\\Vaultwick\\logs"}));
    EXPECT_EQ(foldersOf(L"C:\\launch.log"), Folders{});
    EXPECT_EQ(foldersOf(L"\\\\server\\share\\logs\\launch.log"), Folders{L"\\\\server\\share\\logs"});
    EXPECT_EQ(foldersOf(L"\\\\?\\C:\\a\\launch.log"), Folders{L"\\\\?\\C:\\a"});
    EXPECT_EQ(foldersOf(L"\\\\?\\UNC\\server\\share\\a\\launch.log"), Folders{L"\\\\?\\UNC\\server\\share\\a"});
    EXPECT_EQ(foldersOf(L"C:/a//b/launch.log"), (Folders{L"C:/a", L"C:/a//b"}));
}

TEST(LogFileRules, RotationLockNameHasNoBackslashAndFitsWhateverThePath) {
    const std::wstring name = rotationLockName(L"C:\\APPS\\VAULTWICKSERVICE.LOG");
    EXPECT_EQ(name, L"Global\\VaultwickServiceLog:C:/APPS/VAULTWICKSERVICE.LOG");
    EXPECT_EQ(name.find(L'\\', 7), std::wstring::npos);
    EXPECT_NE(rotationLockName(L"C:\\APPS\\A.LOG"), rotationLockName(L"C:\\APPS\\B.LOG"));

    const std::wstring deep = L"C:\\" + std::wstring(300, L'A') + L"\\X.LOG";
    const std::wstring hashed = rotationLockName(deep);
    EXPECT_LE(hashed.size(), 259u);
    EXPECT_EQ(hashed, rotationLockName(deep));
    EXPECT_NE(hashed, rotationLockName(deep + L"2"));
    EXPECT_EQ(hashed.find(L'\\', 7), std::wstring::npos);
}

TEST(LogFileRules, OneLinePerEventWithTimeAndThread) {
    const std::wstring line = logLine({2026, 12, 8, 9, 5, 3, 7}, 4242, L"Error: Could not find the main class x.\n");
    EXPECT_EQ(line, L"2026-12-08 09:05:03.007 [thread 4242] Error: Could not find the main class x.");
    EXPECT_EQ(logLine({2026, 1, 2, 3, 4, 5, 6}, 1, L"JNI exception: a\nReason: b.\r\n"),
              L"2026-01-02 03:04:05.006 [thread 1] JNI exception: a | Reason: b.");
}
