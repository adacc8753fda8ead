// VaultwickService.exe end to end under Wine, in a sandbox folder with the stand-in runtime.
#include "command_line.h"
#include "launcher_sandbox_win.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

using namespace LauncherTesting;

class EntryTest : public ::testing::Test, protected Sandbox {
protected:
    EntryTest() : Sandbox(L"entry") {}
    void SetUp() override { ASSERT_TRUE(copied); }
};

struct DialogSearch {
    DWORD processId;
    HWND found;
};

// The first dialog window of the process, waited for in bounded steps (null when none appeared).
HWND waitForDialog(DWORD processId) {
    for (int attempt = 0; attempt < 400; ++attempt) {
        DialogSearch search{processId, nullptr};
        EnumWindows(
            [](HWND window, LPARAM parameter) -> BOOL {
                auto* s = reinterpret_cast<DialogSearch*>(parameter);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                wchar_t cls[16] = {};
                GetClassNameW(window, cls, 16);
                // Visible: a modal dialog is shown only after WM_INITDIALOG has filled it.
                if (owner != s->processId || std::wstring(cls) != L"#32770" || !IsWindowVisible(window)) return TRUE;
                s->found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(50);
    }
    return nullptr;
}

// WM_GETTEXT itself: GetWindowTextW does not read controls of another process. The dialog may still
// be initialising, so wait (bounded) for a text to appear.
std::wstring controlText(HWND control) {
    wchar_t text[4096] = {};
    for (int attempt = 0; attempt < 100 && !text[0]; ++attempt) {
        SendMessageW(control, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text));
        if (!text[0]) Sleep(20);
    }
    return text;
}

std::uint64_t expectedHalfOfPhysicalKb() {
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    return static_cast<std::uint64_t>((static_cast<std::uint64_t>(status.dwTotalPhys) >> 10) * 0.5);
}

TEST_F(EntryTest, TypicalRunHandsOverOptionsAndArgumentsInOrder) {
    writeIni("Output File=" + narrow(folder) + "out.txt\r\nError File=" + narrow(folder) +
                 "err.txt\r\nCmd=a \"c d\"\r\n",
             "Main Class=vwtest.Record\r\nLibrary Path=native\r\nVirtual Machine Parameters=-Xmx50P " + recordOption() +
                 " \"-Dapp.home=C:\\Program Files\\App\"\r\n",
             "lib\\a.jar");
    char oldPath[32767];
    GetEnvironmentVariableA("Path", oldPath, sizeof oldPath);
    const Outcome r = run(L"one \"two three\"");
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_EQ(r.output, "");

    const std::string rec = slurp(record);
    EXPECT_THAT(rec, HasSubstr("create version=00010002 ignoreUnrecognized=0 options=5 stack=1572864 "));
    EXPECT_THAT(linesOf(rec, "option "),
                ElementsAre("-Djava.library.path=native;" + narrow(folder) + ";.;" + oldPath + ";" + narrow(folder) +
                                "jre\\lib",
                            "-Djava.class.path=lib\\a.jar", "-Xmx" + std::to_string(expectedHalfOfPhysicalKb()) + "K",
                            recordOption(), "-Dapp.home=C:\\Program Files\\App"));
    EXPECT_THAT(linesOf(rec, "main "), ElementsAre("vwtest/Record", "count=4", "returns"));
    EXPECT_THAT(linesOf(rec, "arg "), ElementsAre("one", "two three", "a", "c d"));
    EXPECT_THAT(linesOf(rec, "destroy "), ElementsAre("attached=0"));
    EXPECT_EQ(slurp(folder + L"out.txt"), "out from main\n");
    EXPECT_EQ(slurp(folder + L"err.txt"), "err from main\n");
}

TEST_F(EntryTest, NoIniFile) {
    const Outcome r = run();
    EXPECT_EQ(r.exitCode, kFailure);
    EXPECT_EQ(r.output, "Error: Main class was not specified in INI file. \r\n");
}

TEST_F(EntryTest, EmptyClassPathCreatesNoVm) {
    writeIni("", "Main Class=vwtest.Record\r\nVirtual Machine Parameters=" + recordOption() + "\r\n", "");
    const Outcome r = run();
    EXPECT_EQ(r.exitCode, kFailure);
    EXPECT_EQ(r.output, "Error: Java Class Path was not specified in INI file. \r\n");
    EXPECT_EQ(slurp(record), "");
}

TEST_F(EntryTest, EmbeddedJarPutsTheProgramOnTheClassPath) {
    writeIni("Embedded Jar=YES\r\n", "Main Class=vwtest.Record\r\nVirtual Machine Parameters=" + recordOption() + "\r\n",
             "lib\\a.jar");
    EXPECT_EQ(run().exitCode, 0u);
    EXPECT_THAT(linesOf(slurp(record), "option "), ::testing::Contains("-Djava.class.path=lib\\a.jar;" + narrow(exe)));
}

TEST_F(EntryTest, LibraryThatCannotLoad) {
    std::ofstream((folder + L"jre\\bin\\server\\jvm.dll").c_str()) << "not a library";
    writeIni("", "Main Class=vwtest.Record\r\n", "a.jar");
    const Outcome r = run();
    EXPECT_EQ(r.exitCode, kFailure);
    EXPECT_EQ(r.output, "Error: Failed to load Java VM library: " + narrow(folder) +
                            "jre\\bin\\server\\jvm.dll (errno = 193).\r\n \r\n");
}

TEST_F(EntryTest, RuntimeWithoutDefaultArgumentsEntry) {
    installRuntime(backslashes(widen(VW_STANDIN_JVM_NODEFAULTS)));
    writeIni("", "Main Class=vwtest.Record\r\n", "a.jar");
    const Outcome r = run();
    EXPECT_EQ(r.exitCode, kFailure);
    EXPECT_EQ(r.output, "Error: Windows exception: cannot find CreateJavaVM JNI (errno = 127).\r\n \r\n");
}

TEST_F(EntryTest, CreationFailureGivesTheReason) {
    writeIni("", "Main Class=vwtest.Record\r\nVirtual Machine Parameters=-Dstandin.result=-4\r\n", "a.jar");
    const Outcome r = run();
    EXPECT_EQ(r.exitCode, kFailure);
    EXPECT_EQ(r.output, "Error: JNI exception: failed to create the Java VM\r\nReason: not enough memory.\r\n \r\n");
}

TEST_F(EntryTest, StackSizeFromXss) {
    writeIni("", "Main Class=vwtest.Record\r\nVirtual Machine Parameters=-Xss2m " + recordOption() + "\r\n", "a.jar");
    EXPECT_EQ(run().exitCode, 0u);
    EXPECT_THAT(slurp(record), HasSubstr(" stack=2097152 "));
}

TEST_F(EntryTest, MissingMainClassDetachesAndFails) {
    writeIni("Error File=" + narrow(folder) + "err.txt\r\n",
             "Main Class=vwtest.Missing\r\nVirtual Machine Parameters=" + recordOption() + "\r\n", "a.jar");
    const Outcome r = run();
    EXPECT_EQ(r.exitCode, kFailure);
    EXPECT_EQ(r.output, "Error: Could not find the main class vwtest/Missing.\r\n \r\n");
    EXPECT_THAT(slurp(folder + L"err.txt"), HasSubstr("NoClassDefFoundError: vwtest/Missing"));
    EXPECT_THAT(linesOf(slurp(record), "destroy "), ElementsAre("attached=0"))
        << "the VM thread must detach, or a real VM's DestroyJavaVM waits for ever";
}

TEST_F(EntryTest, UncaughtExceptionStillSucceeds) {
    writeIni("Error File=" + narrow(folder) + "err.txt\r\n", "Main Class=vwtest.Throws\r\n", "a.jar");
    EXPECT_EQ(run().exitCode, 0u);
    EXPECT_THAT(slurp(folder + L"err.txt"), HasSubstr("java.lang.IllegalStateException: thrown by main"));
}

TEST_F(EntryTest, ClassWithoutMain) {
    writeIni("", "Main Class=vwtest.NoMain\r\n", "a.jar");
    const Outcome r = run();
    EXPECT_EQ(r.exitCode, kFailure);
    EXPECT_THAT(linesOf(r.output, "Error: "), IsEmpty()) << "the VM's exception print explains it, not 216";
    EXPECT_THAT(r.output, HasSubstr("NoSuchMethodError"));
}

// With the failure check on, an exception from main is shown in the "Java Exception" dialog: Ignore
// goes on as without the check, Stop ends the process at once with -1 (no clean-up runs).
TEST_F(EntryTest, FailureCheckDialogIgnoreAndStop) {
    writeIni("Failure Check=yes\r\n", "Main Class=vwtest.Throws\r\nVirtual Machine Parameters=" + recordOption() + "\r\n",
             "a.jar");
    for (const int button : {IDOK, IDCANCEL}) {
        DeleteFileW(record.c_str());
        std::wstring shown;
        const Outcome r = run(L"", [&](DWORD processId) {
            HWND dialog = waitForDialog(processId);
            ASSERT_NE(dialog, nullptr) << "no dialog appeared";
            shown = controlText(GetDlgItem(dialog, 208));
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        });
        EXPECT_THAT(narrow(shown), HasSubstr("java.lang.IllegalStateException: thrown by main\r\n"));
        const std::vector<std::string> destroyed = linesOf(slurp(record), "destroy ");
        if (button == IDOK) {
            EXPECT_EQ(r.exitCode, 0u) << "Ignore";
            EXPECT_THAT(destroyed, ElementsAre("attached=0"));
        } else {
            EXPECT_EQ(r.exitCode, kFailure) << "Stop";
            EXPECT_THAT(destroyed, IsEmpty());
        }
    }
}

}  // namespace

namespace {

// The runtime is published before it is loaded: the stand-in reads the three variables while the
// VM is being created, as a real runtime and everything the Java program starts would.
TEST_F(EntryTest, JavaProgramSeesTheRuntimeAndTheNewSearchPath) {
    writeIni("", "Main Class=vwtest.Record\r\nSystem Path=C:\\Tools\r\nVirtual Machine Parameters=" + recordOption() +
                     "\r\n",
             "a.jar");
    char oldPath[32767];
    GetEnvironmentVariableA("Path", oldPath, sizeof oldPath);
    EXPECT_EQ(run().exitCode, 0u);
    EXPECT_THAT(linesOf(recordText(), "env "),
                ElementsAre("QL_JVM_PATH=" + narrow(folder) + "jre\\bin\\server\\jvm.dll",
                            "QL_JVM_HOME=" + narrow(folder) + "jre",
                            "Path=C:\\Tools;" + std::string(oldPath) + ";" + narrow(folder) + "jre\\bin"));
}

TEST_F(EntryTest, OverrideWorkingDirPutsARelativeOutputFileBesideTheProgram) {
    const std::wstring elsewhere = folder + L"elsewhere\\";
    CreateDirectoryW(elsewhere.c_str(), nullptr);
    for (const std::wstring& at : {folder, elsewhere}) DeleteFileW((at + L"relative-out.txt").c_str());
    writeIni("Override WorkingDir=yes\r\nOutput File=relative-out.txt\r\n", "Main Class=vwtest.Record\r\n", "a.jar");
    EXPECT_EQ(start(L"", L"stdout.txt", elsewhere).finish().exitCode, 0u);
    EXPECT_EQ(slurp(folder + L"relative-out.txt"), "out from main\n");
    EXPECT_EQ(GetFileAttributesW((elsewhere + L"relative-out.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The working directory changes before the runtime search: a relative "JRE Path" means the program's
// folder, whatever folder the program was started from (otherwise no runtime is found and the
// "JRE Not Found" dialog waits for the user, which the bound below cuts off).
TEST_F(EntryTest, OverrideWorkingDirTakesEffectBeforeTheRuntimeSearch) {
    const std::wstring elsewhere = folder + L"elsewhere\\";
    CreateDirectoryW(elsewhere.c_str(), nullptr);
    std::ofstream((folder + L"VaultwickService.ini").c_str(), std::ios::binary)
        << "[Application]\r\nOverride WorkingDir=yes\r\n[Java Runtime Environment]\r\nJRE Path=jre\r\n"
        << "Main Class=vwtest.Record\r\nVirtual Machine Parameters=" << recordOption()
        << "\r\n[Class Path]\r\nClass Path=a.jar\r\n";
    const Outcome r = start(L"", L"stdout.txt", elsewhere).finish(20000);
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_THAT(linesOf(recordText(), "env QL_JVM_PATH="), ElementsAre("jre\\bin\\server\\jvm.dll"));
}

}  // namespace
