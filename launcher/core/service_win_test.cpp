// Service mode under Wine's service control manager: VaultwickService.exe installed as a service of
// its own process, started with parameters, interrogated and stopped through the service-control
// API, with the stand-in runtime recording what Java saw.
#include "instance_block.h"
#include "launcher_sandbox_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

namespace {

using namespace LauncherTesting;

std::size_t count(const std::string& record, const std::string& line) {
    std::size_t n = 0;
    for (const std::string& l : linesOf(record, ""))
        if (l == line) ++n;
    return n;
}

class ServiceTest : public ::testing::Test, protected Sandbox {
protected:
    ServiceTest() : Sandbox(L"service") {
        static int counter = 0;
        name = L"VwServiceTest" + std::to_wstring(GetCurrentProcessId()) + L"n" + std::to_wstring(++counter);
    }

    void SetUp() override {
        ASSERT_TRUE(copied);
        manager.reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        ASSERT_TRUE(manager) << GetLastError();
        // Names repeat between Wine sessions, and a failed run may register its source after TearDown.
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, eventSourceKey().c_str());
    }

    void TearDown() override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, eventSourceKey().c_str());
        if (!service) return;
        SERVICE_STATUS status{};
        if (query().dwCurrentState != SERVICE_STOPPED) ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
        waitForState(SERVICE_STOPPED);
        DeleteService(service.get());
    }

    // main of the scripted classes also returns once this event is set.
    std::string stopEventOption() {
        stopEventName = L"vw-service-stop-" + name;
        stopEvent.reset(CreateEventW(nullptr, TRUE, FALSE, stopEventName.c_str()));
        return "-Dstandin.stopEvent=" + narrow(stopEventName);
    }

    void writeServiceIni(const std::string& mainClass, const std::string& extraParameters) {
        writeIni("Application Type=service\r\nSingle Instance=yes\r\nCmd=c1 \"c 2\"\r\n",
                 "Main Class=" + mainClass + "\r\nVirtual Machine Parameters=" + recordOption() + " " +
                     extraParameters + "\r\n",
                 "a.jar");
    }

    // Installed with one argument of its own on the command line, then started with `parameters`.
    void installAndStart(const std::vector<const wchar_t*>& parameters) {
        installAndRequestStart(parameters);
        ASSERT_TRUE(waitForState(SERVICE_RUNNING));
    }

    // A run that fails at once may pass RUNNING before anyone looks: no wait for it here.
    void installAndRequestStart(const std::vector<const wchar_t*>& parameters) {
        const std::wstring binary = L"\"" + exe + L"\" from-binpath";
        service.reset(CreateServiceW(manager.get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                     SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                     binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(service) << GetLastError();
        std::vector<const wchar_t*> arguments(parameters);
        ASSERT_TRUE(StartServiceW(service.get(), static_cast<DWORD>(arguments.size()),
                                  arguments.empty() ? nullptr : arguments.data()))
            << GetLastError();
    }

    SERVICE_STATUS_PROCESS query() {
        SERVICE_STATUS_PROCESS status{};
        DWORD needed = 0;
        QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                             &needed);
        return status;
    }

    bool waitForState(DWORD state) {
        return waitUntil([&] { return query().dwCurrentState == state; });
    }

    SERVICE_STATUS control(DWORD code) {
        SERVICE_STATUS status{};
        EXPECT_TRUE(ControlService(service.get(), code, &status)) << "control " << code << ": " << GetLastError();
        return status;
    }

    // A runtime of its own below `sub` beside the program, as an administrator would lay it out.
    void installPrivateRuntime(const std::wstring& sub) {
        for (const std::wstring& path : {sub, sub + L"\\bin", sub + L"\\bin\\server"})
            CreateDirectoryW((folder + path).c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(backslashes(widen(VW_STANDIN_JVM)).c_str(),
                              (folder + sub + L"\\bin\\server\\jvm.dll").c_str(), FALSE));
        std::ofstream((folder + sub + L"\\bin\\java.dll").c_str()) << "runtime file";
    }

    // The engine's jars where the samples' class paths name them, as an administrator copies them: each
    // holds the samples' main class, which behaves like vwtest.Blocks (see standin.jars).
    void installEngineJars() {
        CreateDirectoryW((folder + L"lib").c_str(), nullptr);
        for (const wchar_t* jar : {L"lib\\engine.jar", L"lib\\engine-libs.jar"})
            std::ofstream((folder + jar).c_str(), std::ios::binary) << "com/example/backup/EngineMain=vwtest/Blocks\r\n";
    }

    // The stand-in's options for a sample, through the layered "+" section, which the samples leave unused.
    std::string standinSection(const std::string& extra = "") {
        return "[Java Runtime Environment+]\r\nVirtual Machine Parameters=" + recordOption() + " -Dstandin.jars=yes " +
               stopEventOption() + " " + extra + "\r\n";
    }

    std::wstring eventSourceKey() const {
        return L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" + name;
    }

    void expectEventSourceRegistered();

    Win::UniqueHandle openServiceProcess() {
        Win::UniqueHandle process(
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, query().dwProcessId));
        EXPECT_TRUE(process) << GetLastError();
        return process;
    }

    // The exit code of the service's process once it has ended; one that goes on is ended here and fails.
    DWORD endOf(const Win::UniqueHandle& process) {
        if (WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the service's process went on";
            TerminateProcess(process.get(), 99);
            return 99;
        }
        DWORD exitCode = 0;
        GetExitCodeProcess(process.get(), &exitCode);
        return exitCode;
    }

    // Starts the service, waits for its main, asks it to stop and waits for STOPPED; `process` is the
    // service's process, opened while it ran.
    void startThenStop(Win::UniqueHandle& process) {
        installAndStart({});
        ASSERT_TRUE(recordHas("\nmain count="));
        process = openServiceProcess();
        ASSERT_TRUE(process);
        EXPECT_EQ(control(SERVICE_CONTROL_STOP).dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
        ASSERT_TRUE(waitForState(SERVICE_STOPPED));
    }

    bool recordHas(const std::string& text) {
        return waitUntil([&] { return recordText().find(text) != std::string::npos; });
    }

    std::wstring name, stopEventName;
    Win::UniqueServiceHandle manager, service;
    Win::UniqueHandle stopEvent;
};

TEST_F(ServiceTest, RunsUntilStoppedReportingProgressWhileStopIsPending) {
    // stop() alone does not end this main: the service stays stop-pending until the test lets main return.
    // The runtime's detach code blocks at process exit: a stopped service must end without running it.
    writeServiceIni("vwtest.Blocks", "-Dstandin.stopsNeeded=2 -Dstandin.blockDetach=yes " + stopEventOption());
    installAndStart({L"x", L"y"});
    ASSERT_TRUE(recordHas("\nmain count="));
    const Win::UniqueHandle process = openServiceProcess();
    EXPECT_THAT(linesOf(recordText(), "arg "),
                ElementsAre("from-binpath", narrow(name), "x", "y", "c1", "c 2"))
        << "command line, the service start arguments (the service name first), then Cmd";

    Win::UniqueHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, InstanceBlock::instanceName(exe).c_str()));
    EXPECT_FALSE(mapping) << "a service never sets up single instance";

    const SERVICE_STATUS interrogated = control(SERVICE_CONTROL_INTERROGATE);
    EXPECT_EQ(interrogated.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(interrogated.dwControlsAccepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN));
    EXPECT_EQ(interrogated.dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));

    const SERVICE_STATUS pending = control(SERVICE_CONTROL_STOP);
    EXPECT_EQ(pending.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_EQ(pending.dwWaitHint, 3000u);
    ASSERT_TRUE(recordHas("\nstop\n"));

    SERVICE_STATUS_PROCESS progress{};
    EXPECT_TRUE(waitUntil([&] {
        progress = query();
        return progress.dwCheckPoint >= 2;
    }, 20000)) << "the check point never advanced";
    EXPECT_EQ(progress.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_EQ(progress.dwWaitHint, 3000u);

    // The manager itself refuses a second stop while one is pending, as Windows does.
    SERVICE_STATUS refused{};
    EXPECT_FALSE(ControlService(service.get(), SERVICE_CONTROL_STOP, &refused));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_CANNOT_ACCEPT_CTRL));
    EXPECT_EQ(query().dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING)) << "stopped before main returned";

    SetEvent(stopEvent.get());
    ASSERT_TRUE(waitForState(SERVICE_STOPPED));
    const SERVICE_STATUS_PROCESS stopped = query();
    EXPECT_EQ(stopped.dwWin32ExitCode, 0u);
    EXPECT_EQ(stopped.dwServiceSpecificExitCode, 0u);
    EXPECT_EQ(count(recordText(), "stop"), 1u);
    EXPECT_THAT(linesOf(recordText(), "main "), Contains("returns"));
    EXPECT_TRUE(recordHas("destroy attached=0")) << "every stop thread detached";
    EXPECT_EQ(endOf(process), 0u);
}

TEST_F(ServiceTest, StopBeforeMainEndsTheServiceWithoutCallingMain) {
    writeServiceIni("vwtest.Blocks", "-Dstandin.createDelayMs=3000");
    installAndStart({});
    // Running is reported before the runtime is loaded; the VM takes 3 s to come up.
    const SERVICE_STATUS pending = control(SERVICE_CONTROL_STOP);
    EXPECT_EQ(pending.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    ASSERT_TRUE(waitForState(SERVICE_STOPPED));
    EXPECT_EQ(query().dwWin32ExitCode, 0u) << "a requested stop is a clean end";
    ASSERT_TRUE(recordHas("destroy attached=0"));
    const std::string record = recordText();
    EXPECT_THAT(linesOf(record, "create "), SizeIs(1));
    EXPECT_THAT(linesOf(record, "main "), IsEmpty());
    EXPECT_EQ(count(record, "stop"), 0u) << "stop() must not be called when main never ran";
}

TEST_F(ServiceTest, StopWithoutAJavaStopMethodPrintsTheLookupErrorAndStaysPending) {
    writeIni("Application Type=service\r\nError File=" + narrow(folder) + "err.txt\r\n",
             "Main Class=vwtest.NoStop\r\nVirtual Machine Parameters=" + recordOption() + " " + stopEventOption() + "\r\n",
             "a.jar");
    installAndStart({});
    ASSERT_TRUE(recordHas("\nmain count="));
    EXPECT_EQ(control(SERVICE_CONTROL_STOP).dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_TRUE(waitUntil([&] { return slurp(folder + L"err.txt").find("NoSuchMethodError: stop") != std::string::npos; }))
        << slurp(folder + L"err.txt");
    EXPECT_EQ(query().dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING)) << "stopped though main still runs";
    SetEvent(stopEvent.get());
    ASSERT_TRUE(waitForState(SERVICE_STOPPED));
    EXPECT_TRUE(recordHas("destroy attached=0")) << "the stop thread stayed attached";
}

// A run that never reached main reports a service-specific error, so recovery actions can fire.
TEST_F(ServiceTest, FailedRunReportsAServiceSpecificError) {
    writeServiceIni("vwtest.Missing", "");
    installAndRequestStart({});
    ASSERT_TRUE(waitForState(SERVICE_STOPPED));
    const SERVICE_STATUS_PROCESS stopped = query();
    EXPECT_EQ(stopped.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(stopped.dwServiceSpecificExitCode, 1u);

    expectEventSourceRegistered();
}

// A start-up that fails before the dispatcher runs (no main class) never hears its installed name from
// the service manager; it finds it by its process id, and its event goes there all the same.
TEST_F(ServiceTest, StartUpFailureIsReportedUnderTheInstalledName) {
    std::ofstream((folder + L"VaultwickService.ini").c_str(), std::ios::binary)
        << "[Application]\r\nApplication Type=service\r\n";
    const std::wstring binary = L"\"" + exe + L"\"";
    service.reset(CreateServiceW(manager.get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                 SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, binary.c_str(), nullptr, nullptr, nullptr,
                                 nullptr, nullptr));
    ASSERT_TRUE(service) << GetLastError();
    DeleteFileW((folder + L"VaultwickService.log").c_str());
    StartServiceW(service.get(), 0, nullptr);  // fails: the program ends before it contacts the manager
    expectEventSourceRegistered();
    const std::string registered = "event source " + narrow(name) + " registered";
    EXPECT_TRUE(waitUntil([&] { return slurp(folder + L"VaultwickService.log").find(registered) != std::string::npos; }))
        << slurp(folder + L"VaultwickService.log");
}

// The failure goes to the event log under the name the service was installed under, registered with
// the program as its message file so that a viewer can show the text.
void ServiceTest::expectEventSourceRegistered() {
    // The values are written one by one after the key is made: wait for the last one.
    Win::UniqueHkey key;
    DWORD types = 0, type = 0, size = 0;
    EXPECT_TRUE(waitUntil([&] {
        size = sizeof types;
        return RegOpenKeyExW(HKEY_LOCAL_MACHINE, eventSourceKey().c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS &&
               RegQueryValueExW(key.get(), L"TypesSupported", nullptr, &type, reinterpret_cast<BYTE*>(&types),
                                &size) == ERROR_SUCCESS;
    }, 20000)) << "no event source " << narrow(name);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(types, 7u);
    wchar_t file[MAX_PATH] = {};
    size = sizeof file;
    EXPECT_EQ(RegQueryValueExW(key.get(), L"EventMessageFile", nullptr, &type, reinterpret_cast<BYTE*>(file), &size),
              ERROR_SUCCESS);
    EXPECT_TRUE(type == REG_EXPAND_SZ || type == REG_SZ) << type;
    EXPECT_EQ(narrow(file), narrow(exe));
}

// The one slow case: Wine's dispatcher gives up on a console program only after about 10 s.
TEST_F(ServiceTest, StartedFromAConsoleInServiceModeEndsWithZeroWithoutJava) {
    writeServiceIni("vwtest.Blocks", "");
    const Outcome outcome = run();
    EXPECT_EQ(outcome.exitCode, 0u) << outcome.output;
    EXPECT_THAT(linesOf(recordText(), "create "), IsEmpty());
}

// Every INI block of the service guide (between ```ini and the next ```), with CR LF line ends.
std::vector<std::string> iniBlocksOfTheGuide() {
    std::istringstream guide(slurp(backslashes(widen(VW_SERVICE_GUIDE))));
    std::vector<std::string> blocks;
    bool inside = false;
    for (std::string line; std::getline(guide, line);) {
        if (!inside) {
            inside = line == "```ini";
            if (inside) blocks.emplace_back();
        } else if (line.rfind("```", 0) == 0) {
            inside = false;
        } else {
            blocks.back() += line + "\r\n";
        }
    }
    return blocks;
}

// The shipped template as an administrator fills it in: each "; REQUIRED: ..., for example VALUE"
// comment's VALUE on the empty key line below it. The template must leave exactly those keys empty.
std::string shippedIni() {
    static const std::regex required("; REQUIRED: [^\r\n]*, for example (\\S+)\r\n([A-Za-z ]+)=\r\n");
    const std::string ini = slurp(backslashes(widen(VW_SHIPPED_INI)));
    std::string filled;
    int count = 0;
    auto at = ini.cbegin();
    for (std::sregex_iterator m(ini.begin(), ini.end(), required), end; m != end; ++m, ++count) {
        filled.append(at, (*m)[0].second - 2).append((*m)[1].str()).append("\r\n");
        at = (*m)[0].second;
    }
    EXPECT_EQ(count, 2) << "the template does not mark Main Class and Class Path as the lines to fill in";
    return filled.append(at, ini.cend());
}

// The guide's sample, copied as it stands, with a private runtime where the guide puts it and the
// engine's jar where the sample's class path names it: the service starts, finds its main class through
// that class path (from the system folder a service starts in, it would not) and stops cleanly. The test
// adds only the stand-in's options, through the layered "+" section, which the guide leaves unused.
TEST_F(ServiceTest, TheGuidesSampleIniStartsTheService) {
    const std::vector<std::string> blocks = iniBlocksOfTheGuide();
    ASSERT_FALSE(blocks.empty()) << "no ini sample in the guide";
    installPrivateRuntime(L"jre64");
    installEngineJars();
    std::ofstream((folder + L"VaultwickService.ini").c_str(), std::ios::binary)
        << blocks.front() << standinSection("-Dstandin.createDelayMs=1000");

    installAndStart({});
    ASSERT_TRUE(recordHas("create version=")) << "the runtime was never created";
    const std::string record = recordText();
    EXPECT_THAT(linesOf(record, "option "), Contains("-Djava.class.path=lib\\engine.jar;lib\\engine-libs.jar"));
    EXPECT_THAT(linesOf(record, "env "), Contains("QL_JVM_PATH=" + narrow(folder) + "jre64\\bin\\server\\jvm.dll"));
    EXPECT_TRUE(recordHas("\nmain count=")) << "main was not found: " << slurp(folder + L"VaultwickService.log");
    EXPECT_EQ(control(SERVICE_CONTROL_STOP).dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    ASSERT_TRUE(waitForState(SERVICE_STOPPED));
    EXPECT_EQ(query().dwWin32ExitCode, 0u);
}

// The INI file that ships with the program, as it stands, with a private runtime in each layout its
// comment names (a folder beside the program, then bin\ straight beside it, which comes first): the
// service finds that runtime and hands it the file's class path. The comment also names the last
// source, JAVA_HOME.
TEST_F(ServiceTest, TheShippedIniStartsTheServiceWithTheRuntimeWhereItSaysSo) {
    const std::string ini = shippedIni();
    std::smatch named;
    ASSERT_TRUE(std::regex_search(ini, named, std::regex("(\\w+)\\\\ folder beside the program")))
        << "the file does not say where a private runtime goes";
    EXPECT_TRUE(std::regex_search(ini, std::regex("bin\\\\ folder straight beside the program")))
        << "the file leaves out the runtime laid out straight beside the program";
    EXPECT_NE(ini.find("JAVA_HOME"), std::string::npos) << "the file leaves out JAVA_HOME";
    std::ofstream((folder + L"VaultwickService.ini").c_str(), std::ios::binary) << ini << "\r\n" << standinSection();

    const std::wstring folderRuntime = widen(named[1].str().c_str());
    for (const std::wstring& layout : {folderRuntime, std::wstring(L".")}) {
        SCOPED_TRACE(narrow(layout));
        DeleteFileW(record.c_str());
        installPrivateRuntime(layout);
        name += L"l";
        installAndRequestStart({});
        ASSERT_TRUE(recordHas("create version=")) << slurp(folder + L"VaultwickService.log");
        EXPECT_THAT(linesOf(recordText(), "option "), Contains("-Djava.class.path=lib\\engine.jar;lib\\engine-libs.jar"));
        EXPECT_THAT(linesOf(recordText(), "env "),
                    Contains("QL_JVM_PATH=" + narrow(folder) + (layout == L"." ? "" : narrow(layout) + "\\") +
                             "bin\\server\\jvm.dll"));
        TearDown();
        service.reset();
    }
}

struct DocumentedKey {
    std::string section, key, value;
};

// A reader takes the value of "Key=300      (seconds)" or "Key=a.log   ; note" to be the first word
// group: the text up to two blanks, a tab, " ;" or " (".
std::string documentedValue(std::string text) {
    std::size_t end = text.size();
    for (const char* cut : {"  ", "\t", " ;", " ("}) end = std::min(end, text.find(cut));
    text = text.substr(0, end);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// `ini` with every "; Key=value" line uncommented; `keys` gets every key line with its documented value.
std::string uncommented(const std::string& ini, std::vector<DocumentedKey>& keys) {
    static const std::regex keyLine("^(; ?)?([A-Za-z][A-Za-z ]*[A-Za-z])=(.*)$");
    static const std::regex sectionLine("^\\[(.*)\\]$");
    std::istringstream in(ini);
    std::string out, section;
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (std::regex_match(line, m, sectionLine)) {
            section = m[1];
        } else if (std::regex_match(line, m, keyLine)) {
            keys.push_back({section, m[2], documentedValue(m[3])});
            line = m[2].str() + "=" + m[3].str();
        }
        out += line + "\r\n";
    }
    return out;
}

// What an administrator gets who uncomments the examples: each key of each INI block of the guide and
// of the shipped file, read by the launcher with the value the text shows (the log lists what it read).
// Blocks for a service run as one, the others as an ordinary program.
TEST_F(ServiceTest, EveryExampleKeyReadsAsDocumented) {
    std::vector<std::string> blocks = iniBlocksOfTheGuide();
    blocks.push_back(shippedIni());
    installPrivateRuntime(L"jre64");
    installEngineJars();  // what the guide says to copy; no other folder or file is made for the samples
    const std::wstring serviceName = name;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        SCOPED_TRACE("INI block " + std::to_string(i) + ":\n" + blocks[i]);
        std::vector<DocumentedKey> keys;
        std::string ini = uncommented(blocks[i], keys);
        const bool asService = ini.find("\nApplication Type=service\r\n") != std::string::npos;
        std::wstring log = folder + (asService ? L"VaultwickService.log" : L"launch.log");
        for (const DocumentedKey& k : keys)
            if (k.key == "Log File") log = folder + widen(k.value.c_str());
        if (!asService && log == folder + L"launch.log") {
            const std::string header = "[Application]\r\n";
            const std::size_t application = ini.find(header);
            if (application == std::string::npos) ini += header + "Log File=launch.log\r\n";
            else ini.insert(application + header.size(), "Log File=launch.log\r\n");
        }
        DeleteFileW(log.c_str());
        // A service sample runs its main, so that it is seen to start as a service.
        if (asService) ini += standinSection();
        std::ofstream((folder + L"VaultwickService.ini").c_str(), std::ios::binary) << ini;

        auto missing = [&] {
            std::vector<std::string> lines = linesOf(slurp(log), "");
            std::vector<std::string> absent;
            for (const DocumentedKey& k : keys) {
                const std::string wanted = "] setting [" + k.section + "] " + k.key + "=" + k.value;
                const bool found = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
                    return line.size() >= wanted.size() && line.compare(line.size() - wanted.size(), wanted.size(), wanted) == 0;
                });
                if (!found) absent.push_back(wanted);
            }
            return absent;
        };
        if (asService) {
            name = serviceName + L"b" + std::to_wstring(i);
            installAndRequestStart({});
            waitUntil([&] { return missing().empty(); });
            EXPECT_TRUE(waitUntil([&] { return slurp(log).find("calling main of") != std::string::npos; }))
                << "the sample did not start as a service; the log:\n" << slurp(log);
            TearDown();
            service.reset();
        } else {
            run();
        }
        EXPECT_THAT(missing(), IsEmpty()) << "the log:\n" << slurp(log);
        EXPECT_EQ(slurp(log).find("could not be opened"), std::string::npos) << "the log:\n" << slurp(log);
    }
}

// "Stop Timeout" through the service manager: main ignores the stop; once the limit has passed, STOPPED
// carries a service-specific code of its own and the process has ended with -1 without destroying the VM
// and without the runtime's detach code (which blocks here). Main also holds standard output's lock, as
// a thread stuck writing to a full pipe does: the limit's error line cannot hold up the end either.
TEST_F(ServiceTest, StopTimeoutEndsAServiceWhoseMainDoesNotReturn) {
    writeIni("Application Type=service\r\nStop Timeout=1\r\n",
             "Main Class=vwtest.NoStop\r\nVirtual Machine Parameters=" + recordOption() +
                 " -Dstandin.blockDetach=yes -Dstandin.holdStdout=yes " + stopEventOption() + "\r\n",
             "a.jar");
    Win::UniqueHandle process;
    ASSERT_NO_FATAL_FAILURE(startThenStop(process));
    const SERVICE_STATUS_PROCESS stopped = query();
    EXPECT_EQ(stopped.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(stopped.dwServiceSpecificExitCode, 2u);
    EXPECT_EQ(endOf(process), kFailure);
    EXPECT_THAT(linesOf(recordText(), "main "), Contains("holds stdout"));
    EXPECT_THAT(linesOf(recordText(), "destroy "), IsEmpty()) << "the VM was waited for";
    EXPECT_THAT(slurp(folder + L"VaultwickService.log"), HasSubstr("did not stop within 1 seconds"));
}

// "Stop Timeout" covers the time after STOPPED too: main returns at the stop, but stop() itself hangs,
// which holds up the clean-up. Once the limit has passed: one error line in the log, and the process
// ended with -1 (its runtime's detach code, which blocks here, never ran).
TEST_F(ServiceTest, StopTimeoutEndsAProcessThatHangsAfterStopped) {
    const std::wstring returnName = L"vw-service-stop-return-" + name;
    Win::UniqueHandle stopMayReturn(CreateEventW(nullptr, TRUE, FALSE, returnName.c_str()));
    writeIni("Application Type=service\r\nStop Timeout=2\r\n",
             "Main Class=vwtest.Blocks\r\nVirtual Machine Parameters=" + recordOption() +
                 " -Dstandin.blockDetach=yes -Dstandin.stopReturnEvent=" + narrow(returnName) + " " + stopEventOption() +
                 "\r\n",
             "a.jar");
    Win::UniqueHandle process;
    ASSERT_NO_FATAL_FAILURE(startThenStop(process));
    EXPECT_EQ(endOf(process), kFailure);
    SetEvent(stopMayReturn.get());
    const std::string record = recordText();
    EXPECT_THAT(linesOf(record, "main "), Contains("returns"));
    EXPECT_EQ(record.find("stop returns"), std::string::npos) << "stop() returned, so nothing hung";
    const std::string log = slurp(folder + L"VaultwickService.log");
    std::size_t lines = 0;
    for (std::size_t at = log.find("did not stop within 2 seconds"); at != std::string::npos;
         at = log.find("did not stop within 2 seconds", at + 1))
        ++lines;
    EXPECT_EQ(lines, 1u) << log;
}

// "Shutdown Timeout" through the service manager: pre-shutdown is accepted beside stop and shutdown,
// the service's pre-shutdown time-out is set, and a stop still goes through the extended handler.
TEST_F(ServiceTest, ShutdownTimeoutAcceptsPreShutdownAndSetsTheServicesTimeout) {
    writeIni("Application Type=service\r\nShutdown Timeout=42\r\n",
             "Main Class=vwtest.Blocks\r\nVirtual Machine Parameters=" + recordOption() + "\r\n", "a.jar");
    installAndStart({});
    ASSERT_TRUE(recordHas("\nmain count="));  // the time-out is set before Java starts
    EXPECT_EQ(control(SERVICE_CONTROL_INTERROGATE).dwControlsAccepted,
              static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_PRESHUTDOWN));
    SERVICE_PRESHUTDOWN_INFO info{};
    DWORD needed = 0;
    ASSERT_TRUE(QueryServiceConfig2W(service.get(), SERVICE_CONFIG_PRESHUTDOWN_INFO, reinterpret_cast<BYTE*>(&info),
                                     sizeof info, &needed))
        << GetLastError();
    EXPECT_EQ(info.dwPreshutdownTimeout, 42000u);
    EXPECT_EQ(control(SERVICE_CONTROL_STOP).dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    ASSERT_TRUE(waitForState(SERVICE_STOPPED));
    EXPECT_EQ(query().dwWin32ExitCode, 0u);
    EXPECT_EQ(count(recordText(), "stop"), 1u);
}

}  // namespace
