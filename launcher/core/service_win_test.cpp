// Service mode under Wine's service control manager: VaultwickService.exe installed as a service of
// its own process, started with parameters, interrogated and stopped through the service-control
// API, with the stand-in runtime recording what Java saw.
#include "instance_block.h"
#include "launcher_sandbox_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using ::testing::Contains;
using ::testing::ElementsAre;
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
    }

    void TearDown() override {
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
}

// The one slow case: Wine's dispatcher gives up on a console program only after about 10 s.
TEST_F(ServiceTest, StartedFromAConsoleInServiceModeEndsWithZeroWithoutJava) {
    writeServiceIni("vwtest.Blocks", "");
    const Outcome outcome = run();
    EXPECT_EQ(outcome.exitCode, 0u) << outcome.output;
    EXPECT_THAT(linesOf(recordText(), "create "), IsEmpty());
}

// The INI file between the first ```ini and the next ``` of the service guide, with CR LF line ends.
std::string sampleIniOfTheGuide() {
    std::istringstream guide(slurp(backslashes(widen(VW_SERVICE_GUIDE))));
    std::string ini;
    bool inside = false;
    for (std::string line; std::getline(guide, line);) {
        if (!inside) {
            inside = line == "```ini";
            continue;
        }
        if (line.rfind("```", 0) == 0) return ini;
        ini += line + "\r\n";
    }
    return "";
}

// The guide's sample, copied as it stands, with a private runtime where the guide puts it: the service
// starts and the runtime gets the guide's class path. The test adds only the stand-in's options, through
// the layered "+" section, which the guide leaves unused.
TEST_F(ServiceTest, TheGuidesSampleIniStartsTheService) {
    const std::string sample = sampleIniOfTheGuide();
    ASSERT_FALSE(sample.empty()) << "no ini sample in the guide";
    for (const wchar_t* sub : {L"jre64", L"jre64\\bin", L"jre64\\bin\\server"})
        CreateDirectoryW((folder + sub).c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(backslashes(widen(VW_STANDIN_JVM)).c_str(), (folder + L"jre64\\bin\\server\\jvm.dll").c_str(),
                          FALSE));
    std::ofstream((folder + L"jre64\\bin\\java.dll").c_str()) << "runtime file";
    std::ofstream((folder + L"VaultwickService.ini").c_str(), std::ios::binary)
        << sample << "[Java Runtime Environment+]\r\nVirtual Machine Parameters=" << recordOption()
        << " -Dstandin.createDelayMs=1000\r\n";

    installAndStart({});
    ASSERT_TRUE(recordHas("create version=")) << "the runtime was never created";
    const std::string record = recordText();
    EXPECT_THAT(linesOf(record, "option "), Contains("-Djava.class.path=lib\\engine.jar"));
    EXPECT_THAT(linesOf(record, "env "), Contains("QL_JVM_PATH=" + narrow(folder) + "jre64\\bin\\server\\jvm.dll"));
}

// "Stop Timeout" through the service manager: main ignores the stop; once the limit has passed, STOPPED
// carries a service-specific code of its own and the process has ended with -1 without destroying the VM
// and without the runtime's detach code (which blocks here).
TEST_F(ServiceTest, StopTimeoutEndsAServiceWhoseMainDoesNotReturn) {
    writeIni("Application Type=service\r\nStop Timeout=1\r\n",
             "Main Class=vwtest.NoStop\r\nVirtual Machine Parameters=" + recordOption() + " -Dstandin.blockDetach=yes " +
                 stopEventOption() + "\r\n",
             "a.jar");
    installAndStart({});
    ASSERT_TRUE(recordHas("\nmain count="));
    const Win::UniqueHandle process = openServiceProcess();
    ASSERT_TRUE(process);
    EXPECT_EQ(control(SERVICE_CONTROL_STOP).dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    ASSERT_TRUE(waitForState(SERVICE_STOPPED));
    const SERVICE_STATUS_PROCESS stopped = query();
    EXPECT_EQ(stopped.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(stopped.dwServiceSpecificExitCode, 2u);
    EXPECT_EQ(endOf(process), kFailure);
    EXPECT_THAT(linesOf(recordText(), "destroy "), IsEmpty()) << "the VM was waited for";
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
    installAndStart({});
    ASSERT_TRUE(recordHas("\nmain count="));
    const Win::UniqueHandle process = openServiceProcess();
    ASSERT_TRUE(process);
    EXPECT_EQ(control(SERVICE_CONTROL_STOP).dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    ASSERT_TRUE(waitForState(SERVICE_STOPPED));
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
