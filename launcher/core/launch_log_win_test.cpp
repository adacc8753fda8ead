// The launcher end to end under Wine with today's runtimes and its log: a runtime registered only
// the way its vendor's installer does, the log of a run, of a start without runtime, of a service
// stop, rotation, and a 32-bit library named in the error line.
#include "java_output_roll_win.h"
#include "launch_log_file_win.h"
#include "launcher_sandbox_win.h"
#include "log_file_rules.h"
#include "owner_only_log_win.h"
#include "owner_only_security_win.h"
#include "pe_header_bytes.h"
#include "recording_error_lines.h"
#include "rotation_files_win.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

using namespace LauncherTesting;

const wchar_t* const kRegisteredRoots[] = {
    L"SOFTWARE\\JavaSoft\\Java Development Kit", L"SOFTWARE\\JavaSoft\\Java Runtime Environment",
    L"SOFTWARE\\JRockit", L"SOFTWARE\\JavaSoft\\JDK", L"SOFTWARE\\JavaSoft\\JRE", L"SOFTWARE\\Eclipse Adoptium",
    L"SOFTWARE\\Eclipse Foundation", L"SOFTWARE\\AdoptOpenJDK", L"SOFTWARE\\Semeru", L"SOFTWARE\\Microsoft\\JDK",
    L"SOFTWARE\\Azul Systems", L"SOFTWARE\\BellSoft"};
const wchar_t* const kAdoptiumKey = L"SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI";

void writeFile(const std::wstring& path, const std::string& bytes) {
    std::ofstream(path.c_str(), std::ios::binary) << bytes;
}

// A log as an earlier run of the launcher leaves it: with the protected rights.
void writeLog(const std::wstring& path, const std::string& bytes) {
    OwnerOnlySecurity security;
    DeleteFileW(path.c_str());  // an existing file would keep its rights
    Win::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, security.attributes(), CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    EXPECT_TRUE(file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

class LaunchLogTest : public ::testing::Test, protected Sandbox {
protected:
    LaunchLogTest() : Sandbox(L"log") {}
    void SetUp() override {
        ASSERT_TRUE(copied);
        clearRegistry();
        SetEnvironmentVariableW(L"JAVA_HOME", nullptr);  // the children inherit this process's environment
        for (const wchar_t* name : {L"launch.log", L"launch.log.1", L"VaultwickService.log", L"launch.log.untrusted",
                                    L"launch.log.untrusted-2"})
            DeleteFileW((folder + name).c_str());
        RemoveDirectoryW((folder + L"launch.log.1").c_str());  // left by a test that stopped half-way
    }
    void TearDown() override { clearRegistry(); }
    static void clearRegistry() {
        for (const wchar_t* key : kRegisteredRoots) RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
    }

    // A JDK 17 as its vendor's installer leaves it: the stand-in library, a `release` file, one key.
    std::wstring installVendorJdk() {
        const std::wstring home = folder + L"jdk-17.0.9+9\\";
        for (const wchar_t* sub : {L"", L"bin", L"bin\\server"}) CreateDirectoryW((home + sub).c_str(), nullptr);
        CopyFileW(backslashes(widen(VW_STANDIN_JVM)).c_str(), (home + L"bin\\server\\jvm.dll").c_str(), FALSE);
        writeFile(home + L"release", "IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION=\"17.0.9\"\n");
        HKEY key;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kAdoptiumKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(home.c_str()),
                       static_cast<DWORD>((home.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        return home;
    }

    // An INI that names no runtime at all.
    void writeIniWithoutRuntime(const std::string& application, const std::string& mainClass) {
        writeFile(folder + L"VaultwickService.ini", "[Application]\r\n" + application +
                                                        "[Java Runtime Environment]\r\nMain Class=" + mainClass +
                                                        "\r\nVirtual Machine Parameters=" + recordOption() +
                                                        "\r\n[Class Path]\r\nClass Path=a.jar\r\n");
    }

    // The log's lines without their time stamp and thread, after checking that each has both.
    std::vector<std::string> logEvents(const std::wstring& name) {
        static const std::regex stamped(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[thread \d+\] (.*)$)");
        std::vector<std::string> events;
        for (const std::string& line : linesOf(slurp(folder + name), "")) {
            std::smatch match;
            EXPECT_TRUE(std::regex_match(line, match, stamped)) << line;
            if (!match.empty()) events.push_back(match[1]);
        }
        return events;
    }

    // The SIDs (as text) that a DACL lets in, each with the access it grants.
    static std::vector<std::pair<std::string, DWORD>> allowedSids(const ACL* dacl) {
        std::vector<std::pair<std::string, DWORD>> sids;
        for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
            ACCESS_ALLOWED_ACE* ace = nullptr;
            if (!GetAce(const_cast<ACL*>(dacl), i, reinterpret_cast<void**>(&ace))) continue;
            EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
            wchar_t* text = nullptr;
            if (ConvertSidToStringSidW(&ace->SidStart, &text)) sids.emplace_back(narrow(text), ace->Mask);
            LocalFree(text);
        }
        return sids;
    }

    // The same for a file's DACL, as read back.
    static std::vector<std::pair<std::string, DWORD>> allowedSids(const std::wstring& path) {
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        EXPECT_EQ(GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                        &dacl, nullptr, &descriptor),
                  static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_NE(dacl, nullptr) << "no DACL lets everyone in";
        auto sids = allowedSids(dacl);
        LocalFree(descriptor);
        return sids;
    }

    static std::string currentUserSid() {
        Win::UniqueHandle token;
        OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put());
        BYTE buffer[256];
        DWORD size = 0;
        std::string sid;
        wchar_t* text = nullptr;
        if (GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size) &&
            ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text))
            sid = narrow(text);
        LocalFree(text);
        return sid;
    }

    static bool anyStartsWith(const std::vector<std::string>& events, const std::string& prefix) {
        for (const std::string& e : events)
            if (e.rfind(prefix, 0) == 0) return true;
        return false;
    }
};

TEST_F(LaunchLogTest, VendorRegisteredJdkStartsWithoutAnyRuntimeKeyAndTheLogSaysWhy) {
    const std::wstring home = installVendorJdk();
    writeIniWithoutRuntime("Log File=launch.log\r\n", "vwtest.Record");
    const Outcome outcome = run(L"a1");
    ASSERT_EQ(outcome.exitCode, 0u) << outcome.output;
    EXPECT_THAT(recordText(), HasSubstr("main"));

    const std::vector<std::string> events = logEvents(L"launch.log");
    ASSERT_FALSE(events.empty());
    EXPECT_TRUE(std::regex_match(events.front(), std::regex(R"(start: VaultwickService [0-9a-z.]+, ordinary mode, )"
                                                            R"(process \d+, configuration .*\\VaultwickService\.ini)")))
        << events.front();
    const std::string library = narrow(home) + "bin\\server\\jvm.dll";
    EXPECT_THAT(events, Contains("registry " + narrow(kAdoptiumKey) + ": candidate " + library + ", version 17.0.9"));
    EXPECT_THAT(events, Contains("chosen " + library + ", version 17.0.9, from " + narrow(kAdoptiumKey)));
    EXPECT_THAT(events, Contains("VM option -Djava.class.path=a.jar"));
    EXPECT_THAT(events, Contains("virtual machine created; calling main of vwtest/Record"));
    EXPECT_THAT(events, Contains("main returned"));
    EXPECT_EQ(events.back(), "exit code 0");

    // The log holds every VM option: only SYSTEM, Administrators and the account that made it may open
    // it. Wine keeps a file's DACL only as Unix permission bits and reads back SYSTEM and the owner,
    // plus Everyone when others may read, so Everyone's absence is what can be seen here.
    const std::string user = currentUserSid();
    ASSERT_FALSE(user.empty());
    bool userIn = false;
    for (const auto& [sid, access] : allowedSids(folder + L"launch.log")) {
        EXPECT_TRUE(sid == "S-1-5-18" || sid == "S-1-5-32-544" || sid == user) << sid;
        userIn = userIn || sid == user;
    }
    EXPECT_TRUE(userIn);

    // A log and an old copy left by a build that let everyone read them: anyone may be reading the log
    // on through a handle that new rights would not close, so it is moved aside, under a name not in
    // use, and the new log says so first. (Wine accepts new rights on a file but reads back what its
    // permission bits said before, so what was set is checked on the descriptor, below.)
    writeFile(folder + L"launch.log.untrusted", "moved aside before\n");
    for (const wchar_t* name : {L"launch.log", L"launch.log.1"}) {
        DeleteFileW((folder + name).c_str());
        writeFile(folder + name, "earlier build\n");
    }
    ASSERT_THAT(allowedSids(folder + L"launch.log"), Contains(::testing::Key("S-1-1-0")));
    ASSERT_EQ(run(L"a2").exitCode, 0u);
    EXPECT_EQ(slurp(folder + L"launch.log.untrusted-2"), "earlier build\n");
    EXPECT_EQ(slurp(folder + L"launch.log.untrusted"), "moved aside before\n");
    const std::vector<std::string> begun = logEvents(L"launch.log");
    ASSERT_GE(begun.size(), 2u);
    EXPECT_EQ(begun[0], "the existing log was moved to " + narrow(folder) + "launch.log.untrusted-2 and a new one "
                        "begun: its access rights let S-1-1-0 open it");
    EXPECT_THAT(begun[1], HasSubstr("start: VaultwickService"));
    EXPECT_TRUE(anyStartsWith(begun, "access rights of " + narrow(folder) + "launch.log.1 replaced"));
}

// Java tells of an Output File it cannot open only on the stream it could not replace, which for a
// service reaches no one: the log says so with Java's reason, and main runs all the same.
TEST_F(LaunchLogTest, OutputFileThatCannotBeOpenedIsLoggedWithJavasReason) {
    writeIni("Log File=launch.log\r\nOutput File=missing\\out.txt\r\n",
             "Main Class=vwtest.Record\r\nVirtual Machine Parameters=" + recordOption() + "\r\n", "a.jar");
    const Outcome outcome = run();
    ASSERT_EQ(outcome.exitCode, 0u) << outcome.output;
    EXPECT_THAT(outcome.output, HasSubstr("out from main")) << "standard output stays where it was";
    EXPECT_THAT(logEvents(L"launch.log"),
                Contains("Output File " + narrow(folder) + "missing\\out.txt could not be opened, so Java's standard "
                         "output stays where it was: java.io.FileNotFoundException: missing\\out.txt (The system "
                         "cannot find the path specified)"));
}

// The previous run's output survives a restart as ".1", one generation; in the log's own folder the
// files are protected as the log is, since Java's output can hold what the log does.
TEST_F(LaunchLogTest, JavaOutputOfThePreviousRunIsKeptAsDotOne) {
    CreateDirectoryW((folder + L"kept").c_str(), nullptr);
    writeIni("Log File=logs\\launch.log\r\nOutput File=logs\\out.txt\r\nError File=kept\\err.txt\r\n",
             "Main Class=vwtest.Record\r\nVirtual Machine Parameters=" + recordOption() + "\r\n", "a.jar");
    const std::wstring out = folder + L"logs\\out.txt", err = folder + L"kept\\err.txt";
    // Wine keeps a DACL as permission bits only: Everyone's absence is what can be seen (see above).
    const std::string user = currentUserSid();
    auto expectOnlyOurs = [&](const std::wstring& file) {
        for (const auto& [sid, access] : allowedSids(file))
            EXPECT_TRUE(sid == "S-1-5-18" || sid == "S-1-5-32-544" || sid == user) << narrow(file) << ": " << sid;
    };
    for (int runs = 1; runs <= 3; ++runs) {
        ASSERT_EQ(run().exitCode, 0u);
        expectOnlyOurs(out);
        if (runs > 1) expectOnlyOurs(out + L".1");
        for (const std::wstring& file : {out, err}) std::ofstream(file.c_str(), std::ios::app | std::ios::binary) << "run " << runs << "\n";
    }
    EXPECT_EQ(slurp(out), "out from main\nrun 3\n");
    EXPECT_EQ(slurp(out + L".1"), "out from main\nrun 2\n") << "one generation, the one before";
    EXPECT_EQ(slurp(err + L".1"), "err from main\nrun 2\n");
    EXPECT_FALSE(anyStartsWith(logEvents(L"logs\\launch.log"), "Java output file")) << slurp(folder + L"logs\\launch.log");
}

// No run throws Java's output away: a roll that fails (a held or folder `.1`) is retried after deleting
// the old copy, and failing that Java adds to the file; a file that is the log, its old copy or a folder
// is refused with an error line; one file in both keys is one stream for both.
TEST_F(LaunchLogTest, JavaOutputIsNeverThrownAwayNorPutWhereItDoesHarm) {
    enum class Old { None, Held, Folder };  // what out.txt.1 is before the run
    const struct {
        std::string keys;  // "Output File" and "Error File"
        Old old;
        const char* out;   // out.txt afterwards
        bool refused;      // the first key's file is refused
    } cases[] = {
        {"Output File=out.txt\r\n", Old::Held, "previous\nout from main\n", false},
        {"Output File=out.txt\r\n", Old::Folder, "previous\nout from main\n", false},
        {"Output File=out.txt\r\nError File=.\\OUT.txt\r\n", Old::None, "out from main\nerr from main\n", false},
        {"Output File=launch.log\r\n", Old::None, "previous\n", true},
        {"Error File=launch.log.1\r\n", Old::None, "previous\n", true},
        {"Output File=kept\r\n", Old::None, "previous\n", true},
    };
    const std::wstring out = folder + L"out.txt", kept = out + L".1";
    DeleteFileW((folder + L"kept").c_str());  // left by a run that rolled it
    CreateDirectoryW((folder + L"kept").c_str(), nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        DeleteFileW(kept.c_str());
        RemoveDirectoryW(kept.c_str());
        DeleteFileW((folder + L"launch.log").c_str());
        writeFile(out, "previous\n");
        if (c.old == Old::Folder) CreateDirectoryW(kept.c_str(), nullptr);
        if (c.old == Old::Held) writeFile(kept, "older\n");
        // A reader that lets no one delete or rename it, as a virus scanner can.
        Win::UniqueFileHandle holder(c.old != Old::Held ? INVALID_HANDLE_VALUE
                                                        : CreateFileW(kept.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                                      OPEN_EXISTING, 0, nullptr));
        writeIni("Log File=launch.log\r\n" + c.keys,
                 "Main Class=vwtest.Record\r\nVirtual Machine Parameters=" + recordOption() + "\r\n", "a.jar");
        const Outcome outcome = run();
        holder.reset();
        EXPECT_EQ(outcome.exitCode, 0u) << outcome.output;
        EXPECT_EQ(slurp(out), c.out);
        if (c.old == Old::Held) EXPECT_EQ(slurp(kept), "older\n");
        const std::vector<std::string> events = logEvents(L"launch.log");
        EXPECT_EQ(anyStartsWith(events, "Java output file " + narrow(out) + " could not be moved"), c.old != Old::None);
        std::string named = c.keys.substr(0, c.keys.find('\r'));
        named.replace(named.find('='), 1, " " + narrow(folder));
        const std::string line = "Error: " + named + " is not used: it is the launcher log, its old copy or a folder.";
        EXPECT_EQ(outcome.output.find(line) != std::string::npos, c.refused) << outcome.output;
        EXPECT_TRUE(anyStartsWith(events, "start: VaultwickService")) << "the log was emptied or rolled";
        EXPECT_EQ(GetFileAttributesW((folder + L"kept").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    }

    // Windows refuses to move a file onto a read-only one, which Wine allows: a seam refuses as Windows does.
    struct WindowsRotationFiles : Win32RotationFiles {
        unsigned long replace(const std::wstring& from, const std::wstring& to) override {
            const DWORD attributes = GetFileAttributesW(to.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return ERROR_ACCESS_DENIED;
            return Win32RotationFiles::replace(from, to);
        }
    } windows;
    writeFile(kept, "older\n");
    SetFileAttributesW(kept.c_str(), FILE_ATTRIBUTE_READONLY);
    RecordingErrorLines errors;
    EXPECT_FALSE(prepareJavaOutputs(out, L"", L"", exe, errors, LaunchLog::none(), &windows).appendOutput);
    EXPECT_EQ(slurp(kept), "previous\n") << "a read-only old copy kept the roll from happening";
}

// What the log file is created with, as handed to CreateFileW: since Wine keeps only what permission
// bits can say, the protection and the Administrators entry are checked on the descriptor itself.
TEST_F(LaunchLogTest, LogSecurityIsAProtectedDaclOfSystemAdministratorsAndThisAccount) {
    OwnerOnlySecurity security;
    ASSERT_NE(security.attributes(), nullptr);
    const PSECURITY_DESCRIPTOR descriptor = security.attributes()->lpSecurityDescriptor;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the folder's rights would be inherited";
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl) << "no DACL lets everyone in";
    using Entries = std::vector<std::pair<std::string, DWORD>>;
    EXPECT_EQ(allowedSids(dacl), (Entries{{"S-1-5-18", FILE_ALL_ACCESS}, {"S-1-5-32-544", FILE_ALL_ACCESS},
                                          {currentUserSid(), FILE_ALL_ACCESS}}));
}

// What an existing log's owner and DACL, as Windows reports them, lead to. Wine reports only what
// permission bits can say, so the descriptors are made here; the rules behind the verdict are checked
// natively.
TEST_F(LaunchLogTest, ExistingLogIsJudgedByItsOwnerAndRights) {
    const std::wstring user = widen(currentUserSid().c_str());
    OwnerOnlySecurity security;
    auto verdict = [&](const std::wstring& sddl) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                                         nullptr)) << narrow(sddl);
        const Win::UniqueLocalMemory held(descriptor);
        LogFileRules::FileAccess access;
        EXPECT_TRUE(fileAccessOf(descriptor, access));
        return LogFileRules::judgeLogAccess(access, security.account()).verdict;
    };
    using LogFileRules::LogAccessVerdict;
    const std::wstring ours = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;" + user + L")";
    EXPECT_EQ(verdict(L"O:" + user + ours), LogAccessVerdict::Keep);
    EXPECT_EQ(verdict(L"O:BA" + ours), LogAccessVerdict::Keep);
    // A denial lets no one in, though the rights are then not the log's own.
    EXPECT_EQ(verdict(L"O:BA" + ours + L"(D;;FA;;;S-1-5-21-7-7-7-1234)"), LogAccessVerdict::ReplaceRights);
    // The log of an earlier build under %ProgramData%: rights inherited from the folder, Users may read.
    EXPECT_EQ(verdict(L"O:SYD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)"), LogAccessVerdict::OthersMayOpen);
    // Made first by another user of the machine, even with the rights we would give it.
    EXPECT_EQ(verdict(L"O:S-1-5-21-7-7-7-1234" + ours), LogAccessVerdict::OwnedByOthers);
}

// Nothing planted is followed. Wine shows no reparse points, and owners and rights only as permission
// bits can say: the facts read from the real handles are changed, for the object a case names, to what
// Windows would report. A second name (hard link) is real.
TEST_F(LaunchLogTest, PlantedFoldersLinksAndForeignLogsAreNotFollowed) {
    using Facts = LogFileRules::FileFacts;
    const std::wstring log = folder + L"x.log", old = log + L".1", base = folder.substr(0, folder.size() - 1);
    const std::wstring unused = L"the launcher log " + log + L" is not used";
    auto link = [](Facts& f) { f.reparsePoint = true; };
    const struct {
        const char* name;
        std::wstring object;  // whose facts are changed
        std::function<void(Facts&)> change;
        std::wstring refusal;  // empty: the log is used
    } cases[] = {
        {"a mount point for the folder", base, link,
         unused + L", because of its folder " + base + L": it is a link, junction or mount point"},
        {"users may add files to the folder", base,
         [](Facts& f) { f.access.entries.push_back({true, L"S-1-5-32-545", 0x6, 0}); },
         unused + L", because of its folder " + base + L": its access rights let S-1-5-32-545 add files or "
                  L"folders, delete what is in it or change its rights"},
        {"the log is a link", log, link, unused + L": it is a link, junction or mount point"},
        {"the old copy is a link", old, link,
         unused + L", because of its old copy " + old + L": it is a link, junction or mount point"},
        {"the old copy has a second name", folder + L"x.other", nullptr,
         unused + L", because of its old copy " + old + L": it is one of 2 names (hard links) of one file"},
        {"the log is a stranger's", log, [](Facts& f) { f.access.owner = L"S-1-5-21-7-7-7-1234"; }, L""},
    };
    for (const auto& c : cases) {
        for (const std::wstring& file : {log, old, log + L".untrusted", log + L".untrusted-2", folder + L"x.other"})
            DeleteFileW(file.c_str());
        writeLog(log, "before\n");
        writeLog(old, "older\n");
        writeFile(log + L".untrusted", "moved aside before\n");
        if (!c.change) ASSERT_TRUE(CreateHardLinkW(c.object.c_str(), old.c_str(), nullptr)) << GetLastError();
        std::wstring refusal;
        {
            LaunchLogFile launchLog([&](HANDLE handle, const std::wstring& path, Facts& facts) {
                const unsigned long error = systemFileFacts(handle, path, facts);
                if (c.change && path == c.object) c.change(facts);
                return error;
            });
            launchLog.open(log, L"start");
            launchLog.write(L"line");
            refusal = launchLog.refusal();
        }
        EXPECT_EQ(refusal, c.refusal) << c.name;
        EXPECT_EQ(slurp(old), "older\n") << c.name;
        if (!c.refusal.empty()) {
            EXPECT_EQ(slurp(log), "before\n") << c.name << ": written through";
            continue;
        }
        // Moved aside under a name not in use; the new log says so first.
        EXPECT_EQ(slurp(log + L".untrusted"), "moved aside before\n") << c.name;
        EXPECT_EQ(slurp(log + L".untrusted-2"), "before\n") << c.name;
        const std::vector<std::string> events = logEvents(L"x.log");
        ASSERT_GE(events.size(), 3u) << c.name;
        EXPECT_EQ(events[0], "the existing log was moved to " + narrow(log) + ".untrusted-2 and a new one begun: it is "
                             "owned by S-1-5-21-7-7-7-1234, not by SYSTEM, Administrators or this account");
        EXPECT_EQ(events[1], "start");
        EXPECT_EQ(events.back(), "line");
    }
}

// Rotation deletes the old copy through a handle of its own, and only when no one else has it open:
// the deletion of a file a reader holds would wait for the reader and take the copy later. (Wine,
// unlike Windows, lets a rename replace a held or read-only file, so rotation reaches this step only
// on Windows; the step itself is the same.)
TEST_F(LaunchLogTest, OldCopyIsDeletedOnlyWhenItIsOursAlone) {
    const std::wstring old = folder + L"y.log.1", other = folder + L"y.other";
    enum class Old { HeldByAReader, ReadOnly, Folder, OneOfTwoNames };
    const std::pair<Old, unsigned long> cases[] = {{Old::HeldByAReader, LogFileRules::kHeldOpen}, {Old::ReadOnly, 0},
                                                   {Old::Folder, ERROR_ACCESS_DENIED},
                                                   {Old::OneOfTwoNames, ERROR_ACCESS_DENIED}};
    for (const auto& [kind, error] : cases) {
        SetFileAttributesW(old.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(old.c_str());
        RemoveDirectoryW(old.c_str());
        DeleteFileW(other.c_str());
        if (kind == Old::Folder) CreateDirectoryW(old.c_str(), nullptr);
        else writeLog(old, "o");
        if (kind == Old::ReadOnly) SetFileAttributesW(old.c_str(), FILE_ATTRIBUTE_READONLY);
        if (kind == Old::OneOfTwoNames) CreateHardLinkW(other.c_str(), old.c_str(), nullptr);
        Win::UniqueFileHandle reader(kind != Old::HeldByAReader ? INVALID_HANDLE_VALUE
                                         : CreateFileW(old.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
        OpenLogRotationFiles files(INVALID_HANDLE_VALUE, 0, systemFileFacts);
        EXPECT_EQ(files.remove(old), error) << static_cast<int>(kind);
        reader.reset();
        EXPECT_EQ(GetFileAttributesW(old.c_str()) != INVALID_FILE_ATTRIBUTES, error != 0) << static_cast<int>(kind);
    }
    RemoveDirectoryW(old.c_str());
}

// A log that is not used leaves a trace: one Application event names it and says why (the ctest entry
// launcher_log_refused_event_win_test reads it on Wine's "eventlog" channel); the run goes on.
TEST_F(LaunchLogTest, LogWithASecondNameIsNotUsedAndTheRunGoesOn) {
    installVendorJdk();
    writeIniWithoutRuntime("Log File=launch.log\r\n", "vwtest.Record");
    writeLog(folder + L"launch.log.1", "older\n");
    DeleteFileW((folder + L"elsewhere.txt").c_str());
    ASSERT_TRUE(CreateHardLinkW((folder + L"elsewhere.txt").c_str(), (folder + L"launch.log.1").c_str(), nullptr));
    const Outcome outcome = run();
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_THAT(outcome.output, Not(HasSubstr("Error")));
    EXPECT_EQ(slurp(folder + L"launch.log"), "");
    EXPECT_EQ(slurp(folder + L"elsewhere.txt"), "older\n");
}

TEST_F(LaunchLogTest, NoRuntimeInServiceModeGoesToTheDefaultLog) {
    // Started from a console: the start-up fails before the service dispatcher would be reached.
    writeIniWithoutRuntime("Application Type=service\r\n", "vwtest.Record");
    const Outcome outcome = run();
    EXPECT_EQ(outcome.exitCode, kFailure);
    EXPECT_THAT(outcome.output, HasSubstr("Error: The Java Runtime Environment (JRE) was not found."));

    const std::vector<std::string> events = logEvents(L"VaultwickService.log");
    ASSERT_FALSE(events.empty());
    EXPECT_THAT(events.front(), HasSubstr(", service mode,"));
    EXPECT_THAT(events, Contains("runtime source JAVA_HOME: not set"));
    EXPECT_THAT(events, Contains("no runtime found"));
    EXPECT_TRUE(anyStartsWith(events, "Error: The Java Runtime Environment (JRE) was not found."));
    // Wine keeps no event log to read back: it accepts the report and prints the event's text on its
    // "eventlog" debug channel (checked by the ctest entry launcher_event_log_win_test).
    EXPECT_THAT(events, Contains("service failure reported to the event log"));
    EXPECT_EQ(events.back(), "exit code -1");
}

TEST_F(LaunchLogTest, NoLogWithoutTheKeyAndALogThatCannotOpenStopsNothing) {
    installVendorJdk();
    writeIniWithoutRuntime("", "vwtest.Record");
    ASSERT_EQ(run().exitCode, 0u);
    EXPECT_EQ(GetFileAttributesW((folder + L"VaultwickService.log").c_str()), INVALID_FILE_ATTRIBUTES);

    // A log whose folder is a file cannot be opened: the run goes on.
    writeIniWithoutRuntime("Log File=VaultwickService.ini\\launch.log\r\n", "vwtest.Record");
    const Outcome outcome = run();
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_THAT(outcome.output, Not(HasSubstr("Error")));

    // Missing folders on the way to the log are made, all of them.
    DeleteFileW((folder + L"new\\deeper\\launch.log").c_str());
    writeIniWithoutRuntime("Log File=new\\deeper\\launch.log\r\n", "vwtest.Record");
    ASSERT_EQ(run().exitCode, 0u);
    const std::vector<std::string> events = logEvents(L"new\\deeper\\launch.log");
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "exit code 0");
    // No one else may create a file in them (a log made first would be theirs).
    for (const wchar_t* made : {L"new", L"new\\deeper"})
        EXPECT_THAT(allowedSids(folder + made), Not(Contains(::testing::Key("S-1-1-0")))) << narrow(made);
}

TEST_F(LaunchLogTest, MissingMainClassIsLoggedBeforeTheLogCouldOpen) {
    writeFile(folder + L"VaultwickService.ini", "[Application]\r\nLog File=%VW_LOG_FOLDER%\\launch.log\r\n");
    SetEnvironmentVariableW(L"VW_LOG_FOLDER", folder.substr(0, folder.size() - 1).c_str());
    const Outcome outcome = run();
    SetEnvironmentVariableW(L"VW_LOG_FOLDER", nullptr);
    EXPECT_EQ(outcome.exitCode, kFailure);
    // The start line comes first, so that lines held before the log opened read as this run's.
    const std::string log = slurp(folder + L"launch.log");
    const std::vector<std::string> events = logEvents(L"launch.log");
    ASSERT_GE(events.size(), 3u);
    EXPECT_THAT(events.front(), HasSubstr("start: VaultwickService"));
    EXPECT_EQ(events[1], "Error: Main class was not specified in INI file.");
    EXPECT_EQ(events.back(), "exit code -1");
    // A held line keeps the time it happened, which cannot be after the start line's.
    const std::vector<std::string> lines = linesOf(log, "");
    EXPECT_LE(lines[1].substr(0, 23), lines[0].substr(0, 23));
}

TEST_F(LaunchLogTest, LogOverOneMebibyteIsRotated) {
    installVendorJdk();
    writeIniWithoutRuntime("Log File=launch.log\r\n", "vwtest.Record");
    writeLog(folder + L"launch.log", "old run\n" + std::string(1024 * 1024 - 8, 'x'));  // exactly 1 MiB: kept
    ASSERT_EQ(run().exitCode, 0u);
    EXPECT_EQ(GetFileAttributesW((folder + L"launch.log.1").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(slurp(folder + L"launch.log").rfind("old run\n", 0), 0u);

    writeLog(folder + L"launch.log", "old run\n" + std::string(1024 * 1024, 'x'));
    writeLog(folder + L"launch.log.1", "older run\n");
    ASSERT_EQ(run().exitCode, 0u);
    EXPECT_EQ(slurp(folder + L"launch.log.1").rfind("old run\n", 0), 0u) << "one old file kept, the older replaced";
    const std::vector<std::string> events = logEvents(L"launch.log");
    ASSERT_FALSE(events.empty());
    EXPECT_THAT(events.front(), HasSubstr("start: VaultwickService"));
}

// Where the log cannot be moved aside (here its old copy is a folder, which can be neither replaced nor
// deleted), it is emptied with a line that says so, rather than left to grow.
TEST_F(LaunchLogTest, LogThatCannotBeMovedAsideIsEmptied) {
    installVendorJdk();
    writeIniWithoutRuntime("Log File=launch.log\r\n", "vwtest.Record");
    writeLog(folder + L"launch.log", "old run\n" + std::string(1024 * 1024, 'x'));
    CreateDirectoryW((folder + L"launch.log.1").c_str(), nullptr);
    const Outcome outcome = run();
    RemoveDirectoryW((folder + L"launch.log.1").c_str());
    ASSERT_EQ(outcome.exitCode, 0u);
    EXPECT_LT(slurp(folder + L"launch.log").size(), 64u * 1024) << "the log still grows";
    const std::vector<std::string> events = logEvents(L"launch.log");
    ASSERT_GE(events.size(), 2u);
    EXPECT_THAT(events[0], HasSubstr("start: VaultwickService"));
    EXPECT_THAT(events, Contains(::testing::AllOf(::testing::StartsWith("log rotation: moving the log to "),
                                                  ::testing::EndsWith("; the log was emptied instead"))));
}

// A reader tailing the log without delete sharing keeps it from moving: both generations stay, and
// this run appends.
TEST_F(LaunchLogTest, LogHeldOpenByAReaderIsAppendedToAndItsOldCopyKept) {
    installVendorJdk();
    writeIniWithoutRuntime("Log File=launch.log\r\n", "vwtest.Record");
    writeLog(folder + L"launch.log", "old run\n" + std::string(1024 * 1024, 'x'));
    writeLog(folder + L"launch.log.1", "older run\n");
    Win::UniqueFileHandle reader(CreateFileW((folder + L"launch.log").c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    const Outcome outcome = run();
    reader.reset();
    ASSERT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(slurp(folder + L"launch.log.1"), "older run\n");
    const std::string log = slurp(folder + L"launch.log");
    EXPECT_EQ(log.rfind("old run\n", 0), 0u);
    EXPECT_THAT(log, HasSubstr("the log itself is held open (errno = 32): appending to it"));
}

// Two starts at once must not both rotate: while another process holds the log's rotation lock, the
// launcher waits. The test spells the path differently from the INI; the lock is the same.
TEST_F(LaunchLogTest, RotationWaitsForTheLockOfTheSameFileHowEverSpelt) {
    installVendorJdk();
    writeIniWithoutRuntime("Log File=.\\Launch.LOG\r\n", "vwtest.Record");
    writeLog(folder + L"launch.log", "old run\n" + std::string(1024 * 1024, 'x'));
    std::wstring spelling = folder + L"launch.log";
    CharUpperW(spelling.data());
    Win::UniqueHandle lock(CreateMutexW(nullptr, TRUE, LogFileRules::rotationLockName(spelling).c_str()));
    ASSERT_TRUE(lock) << GetLastError();

    Launched launched = start();
    ASSERT_TRUE(launched.started());
    Sleep(2000);  // time for the launcher to reach the log; it must still be waiting then
    EXPECT_TRUE(launched.running());
    EXPECT_EQ(GetFileAttributesW((folder + L"launch.log.1").c_str()), INVALID_FILE_ATTRIBUTES)
        << "rotated while another process held the lock";
    ReleaseMutex(lock.get());
    EXPECT_EQ(launched.finish().exitCode, 0u);
    EXPECT_EQ(slurp(folder + L"launch.log.1").rfind("old run\n", 0), 0u);
}

TEST_F(LaunchLogTest, ThirtyTwoBitLibraryInJrePathIsNamedInTheErrorLine) {
    for (const wchar_t* sub : {L"x86", L"x86\\bin", L"x86\\bin\\server"}) CreateDirectoryW((folder + sub).c_str(), nullptr);
    writeFile(folder + L"x86\\bin\\server\\jvm.dll", peHeaderBytes(kMachineI386));
    writeFile(folder + L"VaultwickService.ini",
              "[Application]\r\nLog File=launch.log\r\n[Java Runtime Environment]\r\nMain Class=vwtest.Record\r\n"
              "JRE Path=" + narrow(folder) + "x86\r\n[Class Path]\r\nClass Path=a.jar\r\n");
    const Outcome outcome = run();
    EXPECT_EQ(outcome.exitCode, kFailure);
    EXPECT_THAT(outcome.output, HasSubstr("x86\\bin\\server\\jvm.dll is a 32-bit library, and this 64-bit program "
                                          "needs a 64-bit Java runtime (errno = 193)."));
    EXPECT_TRUE(anyStartsWith(logEvents(L"launch.log"), "Error: Failed to load Java VM library: "));
}

TEST_F(LaunchLogTest, ServiceStopIsLogged) {
    installVendorJdk();
    writeIniWithoutRuntime("Application Type=service\r\n", "vwtest.Blocks");
    const std::wstring name = L"VwLogTest" + std::to_wstring(GetCurrentProcessId());
    Win::UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ASSERT_TRUE(manager);
    const std::wstring binary = L"\"" + exe + L"\"";
    Win::UniqueServiceHandle service(CreateServiceW(manager.get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                                    SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                                    binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(service) << GetLastError();
    auto state = [&] {
        SERVICE_STATUS status{};
        QueryServiceStatus(service.get(), &status);
        return status.dwCurrentState;
    };
    ASSERT_TRUE(StartServiceW(service.get(), 0, nullptr)) << GetLastError();
    EXPECT_TRUE(waitUntil([&] { return recordText().find("\nmain") != std::string::npos; }));
    SERVICE_STATUS status{};
    EXPECT_TRUE(ControlService(service.get(), SERVICE_CONTROL_STOP, &status));
    EXPECT_TRUE(waitUntil([&] { return state() == SERVICE_STOPPED; }));
    // The process writes its last lines after reporting stopped.
    EXPECT_TRUE(waitUntil([&] { return slurp(folder + L"VaultwickService.log").find("exit code") != std::string::npos; }, 20000));
    DeleteService(service.get());

    const std::vector<std::string> events = logEvents(L"VaultwickService.log");
    EXPECT_THAT(events, Contains("service control 1 received"));
    EXPECT_THAT(events, Contains("calling stop()"));
    EXPECT_TRUE(anyStartsWith(events, "stop() returned after "));
    EXPECT_THAT(events, Contains("main returned"));
    EXPECT_THAT(events, Contains("exit code 0"));
    EXPECT_THAT(events, Not(Contains("service failure reported to the event log")));
}

}  // namespace
