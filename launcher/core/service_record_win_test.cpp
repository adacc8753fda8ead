// The service record driven in-process, as the dispatcher would drive it: the real launcher runs the
// stand-in runtime, the record's status reports are kept instead of going to the service control
// manager, and its registered control handler is called directly. Wine's manager refuses a second
// stop while one is pending and cannot send shutdown, so repeated requests are exercised here.
#include "config_platform_win.h"
#include "launcher.h"
#include "launcher_sandbox_win.h"
#include "recording_error_lines.h"
#include "runtime_probe_win.h"
#include "service_record_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using ::testing::SizeIs;

namespace {

using namespace LauncherTesting;

struct Report {
    SERVICE_STATUS status;
    DWORD threadId;  // who reported: the handler's caller, the service main thread, the progress thread
};

class RecordingPort : public ServiceControlPort {
public:
    bool registerHandler(const std::wstring& serviceName, LPHANDLER_FUNCTION registered) override {
        std::lock_guard<std::mutex> hold(lock_);
        name_ = serviceName;
        handler_ = registered;
        return !failRegistration;
    }
    bool registerHandlerEx(const std::wstring& serviceName, LPHANDLER_FUNCTION_EX registered, void* context) override {
        std::lock_guard<std::mutex> hold(lock_);
        name_ = serviceName;
        handlerEx_ = registered;
        context_ = context;
        return !failRegistration;
    }
    DWORD setPreShutdownTimeout(const std::wstring& installedName, DWORD milliseconds) override {
        std::lock_guard<std::mutex> hold(lock_);
        preShutdown_.push_back(narrow(installedName) + " " + std::to_string(milliseconds));
        return preShutdownError;
    }
    void endProcess(UINT exitCode) override {
        std::lock_guard<std::mutex> hold(lock_);
        endedWith_.push_back(exitCode);
    }
    void reportError(const std::wstring& text, const std::wstring&) override {
        std::lock_guard<std::mutex> hold(lock_);
        events_.push_back(text);
    }
    bool report(const SERVICE_STATUS& status) override {
        bool refused;
        {
            std::lock_guard<std::mutex> hold(lock_);
            reports_.push_back({status, GetCurrentThreadId()});
            refused = refuse && refuse(status);
        }
        if (afterReport) afterReport(status);
        if (refused) SetLastError(ERROR_INVALID_HANDLE);
        return !refused;
    }

    // Set before the record is driven.
    bool failRegistration = false;
    DWORD preShutdownError = 0;
    std::function<bool(const SERVICE_STATUS&)> refuse;       // reports the manager turns down
    std::function<void(const SERVICE_STATUS&)> afterReport;  // runs on the reporting thread
    std::vector<Report> reports() {
        std::lock_guard<std::mutex> hold(lock_);
        return reports_;
    }
    LPHANDLER_FUNCTION handler() {
        std::lock_guard<std::mutex> hold(lock_);
        return handler_;
    }
    std::wstring name() {
        std::lock_guard<std::mutex> hold(lock_);
        return name_;
    }
    // The extended handler as the manager calls it, and its answer.
    DWORD controlEx(DWORD code) {
        LPHANDLER_FUNCTION_EX handler;
        void* context;
        {
            std::lock_guard<std::mutex> hold(lock_);
            handler = handlerEx_;
            context = context_;
        }
        EXPECT_NE(handler, nullptr);
        return handler ? handler(code, 0, nullptr, context) : ERROR_INVALID_FUNCTION;
    }
    bool registeredEx() {
        std::lock_guard<std::mutex> hold(lock_);
        return handlerEx_ != nullptr && handler_ == nullptr;
    }
    std::vector<std::string> preShutdownSettings() {
        std::lock_guard<std::mutex> hold(lock_);
        return preShutdown_;
    }
    std::vector<UINT> endedWith() {
        std::lock_guard<std::mutex> hold(lock_);
        return endedWith_;
    }
    std::vector<std::wstring> events() {
        std::lock_guard<std::mutex> hold(lock_);
        return events_;
    }

private:
    std::mutex lock_;
    std::wstring name_;
    LPHANDLER_FUNCTION handler_ = nullptr;
    LPHANDLER_FUNCTION_EX handlerEx_ = nullptr;
    void* context_ = nullptr;
    std::vector<Report> reports_;
    std::vector<std::string> preShutdown_;
    std::vector<UINT> endedWith_;
    std::vector<std::wstring> events_;
};

// The program seems to be the sandbox's copy, so the INI beside it is the one read.
class SandboxPlatform : public Win32ConfigPlatform {
public:
    explicit SandboxPlatform(std::wstring exe) : exe_(std::move(exe)) {}
    bool programPath(std::wstring& path, unsigned long&) override {
        path = exe_;
        return true;
    }

private:
    std::wstring exe_;
};

class NoPrompt : public RuntimeFolderPrompt {
public:
    bool ask(const std::wstring&, VmType, std::wstring&, std::wstring&) override { return false; }
};

bool sameStatus(const SERVICE_STATUS& a, const SERVICE_STATUS& b) {
    return a.dwServiceType == b.dwServiceType && a.dwCurrentState == b.dwCurrentState &&
           a.dwControlsAccepted == b.dwControlsAccepted && a.dwWin32ExitCode == b.dwWin32ExitCode &&
           a.dwServiceSpecificExitCode == b.dwServiceSpecificExitCode && a.dwCheckPoint == b.dwCheckPoint &&
           a.dwWaitHint == b.dwWaitHint;
}

class ServiceRecordTest : public ::testing::Test, protected Sandbox {
protected:
    ServiceRecordTest() : Sandbox(L"service-record"), platform(exe), launcher(errors, platform, probe, registry, prompt) {}

    ~ServiceRecordTest() override {
        // A failed check may leave main blocked: let the test end rather than hang on the join.
        if (serviceMain.joinable()) serviceMain.detach();
    }

    std::vector<std::string> stopThreads() { return linesOf(recordText(), "stop thread="); }

    // Starts the service main function on a thread of its own, as the dispatcher does.
    void startServiceMain(ServiceRecord& record) {
        serviceMain = std::thread([&record] {
            wchar_t name[] = L"VwRecordTest";
            LPWSTR argv[] = {name};
            record.serviceMain(1, argv);
        });
    }

    bool mainRuns() {
        return waitUntil([&] { return !linesOf(recordText(), "main count=").empty(); });
    }

    bool lastReportIs(DWORD state) {
        const std::vector<Report> all = port.reports();
        return !all.empty() && all.back().status.dwCurrentState == state;
    }

    // A main that blocks until stop(), or until the test sets the returned event.
    Win::UniqueHandle writeBlockingService(const std::string& mainClass, const std::string& application = "",
                                           const std::string& extraParameters = "") {
        static int counter = 0;
        const std::wstring eventName = L"vw-record-stop-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(++counter);
        Win::UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
        writeIni("Application Type=service\r\n" + application,
                 "Main Class=" + mainClass + "\r\nVirtual Machine Parameters=" + recordOption() +
                     " -Dstandin.stopEvent=" + narrow(eventName) + " " + extraParameters + "\r\n",
                 "a.jar");
        return event;
    }

    // Like writeBlockingService, with a stop() that lets main return and then waits for `stopMayReturn`.
    Win::UniqueHandle writeServiceWhoseStopWaits(const std::string& application = "") {
        const std::wstring returnName = L"vw-record-stop-return-" + std::to_wstring(GetCurrentProcessId());
        stopMayReturn.reset(CreateEventW(nullptr, TRUE, FALSE, returnName.c_str()));
        return writeBlockingService("vwtest.Blocks", application, "-Dstandin.stopReturnEvent=" + narrow(returnName));
    }

    std::string launchLog() { return slurp(folder + L"VaultwickService.log"); }

    bool stopCallsReach(std::size_t calls) {
        return waitUntil([&] { return stopThreads().size() >= calls; });
    }

    // The reports made on this thread (the handler's caller) from index `from` on.
    std::vector<Report> handlerReports(std::size_t from = 0) {
        std::vector<Report> mine;
        const std::vector<Report> all = port.reports();
        for (std::size_t i = from; i < all.size(); ++i)
            if (all[i].threadId == GetCurrentThreadId()) mine.push_back(all[i]);
        return mine;
    }

    RecordingErrorLines errors;
    SandboxPlatform platform;
    Win32FileProbe probe;
    Win32RegistryReader registry;
    NoPrompt prompt;
    Launcher launcher;
    RecordingPort port;
    std::thread serviceMain;
    Win::UniqueHandle stopMayReturn;
};

TEST_F(ServiceRecordTest, EveryStopOrShutdownCallsStopOnANewThreadWhileInterrogateRepeatsTheStatus) {
    ASSERT_TRUE(copied);
    // main returns only after the third stop(), so every request below finds the service stop-pending.
    writeIni("Application Type=service\r\n",
             "Main Class=vwtest.Blocks\r\nVirtual Machine Parameters=" + recordOption() + " -Dstandin.stopsNeeded=3\r\n",
             "a.jar");
    ASSERT_TRUE(launcher.startUp()) << narrow(errors.lines.empty() ? L"" : errors.lines.front());
    ASSERT_TRUE(launcher.serviceMode());

    ServiceRecord record(launcher, L"VwRecordTest", port);
    serviceMain = std::thread([&record] {
        wchar_t name[] = L"VwRecordTest";
        LPWSTR argv[] = {name};
        record.serviceMain(1, argv);
    });
    ASSERT_TRUE(waitUntil([&] { return !linesOf(recordText(), "main count=").empty(); })) << "main never ran";
    EXPECT_EQ(port.name(), L"VwRecordTest");
    const LPHANDLER_FUNCTION handler = port.handler();
    ASSERT_NE(handler, nullptr);

    handler(SERVICE_CONTROL_STOP);
    ASSERT_TRUE(stopCallsReach(1));
    handler(SERVICE_CONTROL_SHUTDOWN);
    ASSERT_TRUE(stopCallsReach(2));

    const std::size_t beforeInterrogate = port.reports().size();
    handler(SERVICE_CONTROL_INTERROGATE);
    const std::vector<Report> afterInterrogate = port.reports();
    std::size_t interrogated = afterInterrogate.size();
    for (std::size_t i = beforeInterrogate; i < afterInterrogate.size(); ++i)
        if (afterInterrogate[i].threadId == GetCurrentThreadId()) interrogated = i;
    ASSERT_LT(interrogated, afterInterrogate.size()) << "interrogate reported nothing";
    ASSERT_GT(interrogated, 0u);
    EXPECT_TRUE(sameStatus(afterInterrogate[interrogated].status, afterInterrogate[interrogated - 1].status))
        << "interrogate changed the status it re-reports";
    EXPECT_EQ(afterInterrogate[interrogated].status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));

    handler(SERVICE_CONTROL_STOP);
    serviceMain.join();
    EXPECT_THAT(stopThreads(), SizeIs(3));

    // Each request had a stop thread of its own, never the handler's (dispatcher's) thread.
    const std::vector<std::string> threads = stopThreads();
    const std::set<std::string> distinct(threads.begin(), threads.end());
    EXPECT_EQ(distinct.size(), 3u) << "two requests shared a stop thread";
    EXPECT_EQ(distinct.count(std::to_string(GetCurrentThreadId())), 0u) << "stop() ran on the handler's thread";

    // The three requests reported stop-pending with the 3000 ms hint; the first at check point 0.
    std::vector<Report> pending;
    for (const Report& r : handlerReports())
        if (r.status.dwCurrentState == SERVICE_STOP_PENDING) pending.push_back(r);
    ASSERT_THAT(pending, SizeIs(4)) << "three requests and the interrogate";
    EXPECT_EQ(pending[0].status.dwCheckPoint, 0u);
    for (const Report& r : pending) EXPECT_EQ(r.status.dwWaitHint, 3000u);

    // Each request moves the check point on past the status it found; across every report while
    // pending, from any thread, it never goes back (a controller reads that as no progress).
    EXPECT_GT(pending[1].status.dwCheckPoint, pending[0].status.dwCheckPoint);
    EXPECT_GT(pending[3].status.dwCheckPoint, pending[2].status.dwCheckPoint);
    const std::vector<Report> all = port.reports();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front().status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(all.front().status.dwControlsAccepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN));
    DWORD lastCheckPoint = 0;
    for (const Report& r : all) {
        if (r.status.dwCurrentState != SERVICE_STOP_PENDING) continue;
        EXPECT_GE(r.status.dwCheckPoint, lastCheckPoint) << "check point went back";
        lastCheckPoint = r.status.dwCheckPoint;
    }

    EXPECT_EQ(all.back().status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(all.back().status.dwWin32ExitCode, 0u);

    launcher.cleanUp();
    EXPECT_THAT(linesOf(recordText(), "destroy attached="), ::testing::ElementsAre("0")) << "a stop thread stayed attached";
}

// The dispatcher may return, and the entry function destroy the record, as soon as STOPPED has been
// reported, while the service main thread is still inside that report.
TEST_F(ServiceRecordTest, TheRecordOutlivesTheServiceMainThreadThatReportedStopped) {
    ASSERT_TRUE(copied);
    writeIni("Application Type=service\r\n", "Main Class=vwtest.Record\r\nVirtual Machine Parameters=" + recordOption() + "\r\n",
             "a.jar");
    ASSERT_TRUE(launcher.startUp());
    Win::UniqueHandle stoppedReported(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<bool> reportReturned{false};
    port.afterReport = [&](const SERVICE_STATUS& status) {
        if (status.dwCurrentState != SERVICE_STOPPED) return;
        SetEvent(stoppedReported.get());  // from here on the dispatcher may return
        Sleep(300);                       // a slow service main thread
        reportReturned = true;
    };
    auto record = std::make_unique<ServiceRecord>(launcher, L"VwRecordTest", port);
    startServiceMain(*record);
    ASSERT_EQ(WaitForSingleObject(stoppedReported.get(), 60000), WAIT_OBJECT_0);
    record.reset();  // what the entry function does once the dispatcher has returned
    EXPECT_TRUE(reportReturned) << "the record was destroyed while its service main thread was still in it";
    serviceMain.join();
    launcher.cleanUp();
}

// STOPPED follows the run step; a stop() call that still runs after main has returned does not hold it.
TEST_F(ServiceRecordTest, StoppedIsReportedWhenMainReturnsWhileAStopCallStillRuns) {
    ASSERT_TRUE(copied);
    Win::UniqueHandle mainMayReturn = writeServiceWhoseStopWaits();
    ASSERT_TRUE(launcher.startUp());
    ServiceRecord record(launcher, L"VwRecordTest", port);
    startServiceMain(record);
    ASSERT_TRUE(mainRuns());

    port.handler()(SERVICE_CONTROL_STOP);  // stop() lets main return, then blocks
    const bool stopped = waitUntil([&] { return lastReportIs(SERVICE_STOPPED); }, 20000);
    const bool stopStillRunning = linesOf(recordText(), "stop returns").empty();
    SetEvent(stopMayReturn.get());
    serviceMain.join();
    EXPECT_TRUE(stopped) << "STOPPED waited for the stop() call";
    EXPECT_TRUE(stopStillRunning);
    EXPECT_THAT(linesOf(recordText(), "main "), ::testing::Contains("returns"));
    EXPECT_EQ(port.reports().back().status.dwWin32ExitCode, 0u);
    ASSERT_TRUE(waitUntil([&] { return !linesOf(recordText(), "stop returns").empty(); }));
    launcher.cleanUp();
}

// A stop request whose thread has not reached Java yet when main returns on its own (its attach takes
// 1.5 s here): the clean-up waits for that call before it destroys the VM, so the call neither attaches
// to a destroyed VM nor writes its log line after the clean-up has returned.
TEST_F(ServiceRecordTest, CleanUpWaitsForAStopCallOnItsWayBeforeDestroyingTheVm) {
    ASSERT_TRUE(copied);
    Win::UniqueHandle mainMayReturn = writeBlockingService("vwtest.Blocks", "", "-Dstandin.attachDelayMs=1500");
    ASSERT_TRUE(launcher.startUp());
    {
        ServiceRecord record(launcher, L"VwRecordTest", port);
        startServiceMain(record);
        ASSERT_TRUE(mainRuns());
        port.handler()(SERVICE_CONTROL_STOP);
        // Past the gate (it logs this just before it attaches), its thread now waits in AttachCurrentThread.
        ASSERT_TRUE(waitUntil([&] { return launchLog().find("calling stop()") != std::string::npos; }));
        SetEvent(mainMayReturn.get());
        serviceMain.join();
    }
    EXPECT_TRUE(lastReportIs(SERVICE_STOPPED));
    launcher.cleanUp();
    const std::string record = recordText();
    EXPECT_THAT(linesOf(record, "attach "), ::testing::IsEmpty()) << "a stop call attached to a destroyed VM";
    const std::size_t stop = record.find("\nstop\n");
    const std::size_t destroy = record.find("\ndestroy attached=0");
    ASSERT_NE(stop, std::string::npos) << record;
    ASSERT_NE(destroy, std::string::npos) << record;
    EXPECT_LT(stop, destroy) << "the VM was destroyed before the stop call";
    EXPECT_NE(launchLog().find("stop() returned after"), std::string::npos)
        << "the stop call's log line came after the clean-up";
}

// "Stop Timeout" covers the whole stop: main returned in time and STOPPED went out clean, but a stop()
// that hangs keeps the clean-up, and so the process, alive. Once the limit has passed since the request:
// one error line, the process ended, and no second status report.
TEST_F(ServiceRecordTest, StopTimeoutAlsoEndsAProcessThatHangsAfterStopped) {
    ASSERT_TRUE(copied);
    Win::UniqueHandle mainMayReturn = writeServiceWhoseStopWaits("Stop Timeout=2\r\n");
    ASSERT_TRUE(launcher.startUp());
    ServiceRecord record(launcher, L"VwRecordTest", port);
    startServiceMain(record);
    ASSERT_TRUE(mainRuns());
    port.handler()(SERVICE_CONTROL_STOP);  // stop() lets main return, then hangs
    serviceMain.join();
    ASSERT_TRUE(lastReportIs(SERVICE_STOPPED));
    EXPECT_EQ(port.reports().back().status.dwWin32ExitCode, 0u);
    std::thread cleanUp([&] { launcher.cleanUp(); });
    const bool ended = waitUntil([&] { return !port.endedWith().empty(); }, 20000);
    SetEvent(stopMayReturn.get());
    cleanUp.join();
    ASSERT_TRUE(ended) << "a hanging stop() kept the process alive after STOPPED";
    EXPECT_THAT(port.endedWith(), ::testing::ElementsAre(static_cast<UINT>(-1)));
    EXPECT_THAT(errors.lines, ::testing::ElementsAre(
                                  L"Error: The Java program did not stop within 2 seconds; the service process is ended. \n"));
    std::size_t stoppedReports = 0;
    for (const Report& r : port.reports())
        if (r.status.dwCurrentState == SERVICE_STOPPED) ++stoppedReports;
    EXPECT_EQ(stoppedReports, 1u) << "a second status report after STOPPED";
}

// The early returns of the service main function: a refused registration or first report starts no
// Java; a refused stop-pending report starts no stop thread.
TEST_F(ServiceRecordTest, RefusedRegistrationOrFirstReportRunsNoJava) {
    ASSERT_TRUE(copied);
    writeIni("Application Type=service\r\n", "Main Class=vwtest.Record\r\nVirtual Machine Parameters=" + recordOption() + "\r\n",
             "a.jar");
    ASSERT_TRUE(launcher.startUp());
    {
        port.failRegistration = true;
        ServiceRecord record(launcher, L"VwRecordTest", port);
        startServiceMain(record);
        serviceMain.join();
        EXPECT_TRUE(port.reports().empty()) << "reported without a registered handler";
    }
    {
        port.failRegistration = false;
        port.refuse = [](const SERVICE_STATUS&) { return true; };
        ServiceRecord record(launcher, L"VwRecordTest", port);
        startServiceMain(record);
        serviceMain.join();
        ASSERT_THAT(port.reports(), SizeIs(1));
        EXPECT_EQ(port.reports()[0].status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    }
    EXPECT_EQ(recordText(), "") << "the runtime was loaded";
    launcher.cleanUp();
}

// The manager keeps the last status it took: after a refused STOP_PENDING the record says RUNNING
// again, so an interrogate does not claim a stop under way and the next request is a first one.
TEST_F(ServiceRecordTest, RefusedStopPendingReportStartsNoStopThreadAndLeavesTheServiceRunning) {
    ASSERT_TRUE(copied);
    Win::UniqueHandle mainMayReturn = writeBlockingService("vwtest.Blocks");
    ASSERT_TRUE(launcher.startUp());
    port.refuse = [](const SERVICE_STATUS& status) { return status.dwCurrentState == SERVICE_STOP_PENDING; };
    ServiceRecord record(launcher, L"VwRecordTest", port);
    startServiceMain(record);
    ASSERT_TRUE(mainRuns());
    port.handler()(SERVICE_CONTROL_STOP);
    // A stop thread would call stop() at once; give it ample time to show up.
    EXPECT_FALSE(waitUntil([&] { return !stopThreads().empty(); }, 2000)) << "stop() was called";
    const std::size_t refused = port.reports().size();
    port.handler()(SERVICE_CONTROL_INTERROGATE);
    ASSERT_THAT(port.reports(), SizeIs(refused + 1));
    EXPECT_EQ(port.reports().back().status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING))
        << "interrogate reported a state the manager refused";
    port.refuse = nullptr;  // only this thread reports until a stop is taken
    port.handler()(SERVICE_CONTROL_STOP);
    ASSERT_TRUE(stopCallsReach(1)) << "the next request was not taken";
    EXPECT_EQ(port.reports()[refused + 1].status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_EQ(port.reports()[refused + 1].status.dwCheckPoint, 0u);
    serviceMain.join();
    EXPECT_TRUE(lastReportIs(SERVICE_STOPPED));
    // The dropped request leaves a trace in the log and the event log.
    const std::wstring dropped = L"Windows exception: the service could not report that it is stopping, so a stop "
                                 L"request was dropped (errno = 6).\n";
    EXPECT_THAT(errors.lines, ::testing::ElementsAre(L"Error: " + dropped + L" \n"));
    EXPECT_THAT(port.events(), ::testing::ElementsAre(dropped));
    EXPECT_NE(launchLog().find("Error: " + narrow(dropped.substr(0, dropped.size() - 1))), std::string::npos)
        << launchLog();
    launcher.cleanUp();
}

// "Stop Timeout": main ignores stop(); once the limit has passed after the first request, one error
// line, STOPPED with a service-specific code of its own, and the process ended with -1.
TEST_F(ServiceRecordTest, StopTimeoutEndsAServiceWhoseMainDoesNotReturn) {
    ASSERT_TRUE(copied);
    Win::UniqueHandle mainMayReturn = writeBlockingService("vwtest.NoStop", "Stop Timeout=1\r\n");
    ASSERT_TRUE(launcher.startUp());
    ServiceRecord record(launcher, L"VwRecordTest", port);
    startServiceMain(record);
    ASSERT_TRUE(mainRuns());
    port.handler()(SERVICE_CONTROL_STOP);
    const bool ended = waitUntil([&] { return !port.endedWith().empty(); }, 20000);
    SetEvent(mainMayReturn.get());  // the process lives on in a test: let the service main thread end
    serviceMain.join();
    ASSERT_TRUE(ended) << "the process was never ended";
    EXPECT_THAT(port.endedWith(), ::testing::ElementsAre(static_cast<UINT>(-1)));
    EXPECT_THAT(errors.lines, ::testing::ElementsAre(
                                  L"Error: The Java program did not stop within 1 seconds; the service process is ended. \n"));
    std::vector<Report> stopped;
    for (const Report& r : port.reports())
        if (r.status.dwCurrentState == SERVICE_STOPPED) stopped.push_back(r);
    ASSERT_THAT(stopped, SizeIs(1)) << "STOPPED once, by the timeout";
    EXPECT_EQ(stopped[0].status.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(stopped[0].status.dwServiceSpecificExitCode, 2u);
    launcher.cleanUp();
}

// Without the key nothing ends the process: the service waits for main as before.
TEST_F(ServiceRecordTest, WithoutStopTimeoutAPendingStopWaitsForMain) {
    ASSERT_TRUE(copied);
    Win::UniqueHandle mainMayReturn = writeBlockingService("vwtest.NoStop");
    ASSERT_TRUE(launcher.startUp());
    ServiceRecord record(launcher, L"VwRecordTest", port);
    startServiceMain(record);
    ASSERT_TRUE(mainRuns());
    port.handler()(SERVICE_CONTROL_STOP);
    // Three progress reports (about three seconds) without an end.
    EXPECT_TRUE(waitUntil([&] { return port.reports().back().status.dwCheckPoint >= 3; }, 20000));
    EXPECT_TRUE(port.endedWith().empty());
    EXPECT_TRUE(lastReportIs(SERVICE_STOP_PENDING));
    SetEvent(mainMayReturn.get());
    serviceMain.join();
    EXPECT_TRUE(lastReportIs(SERVICE_STOPPED));
    EXPECT_EQ(port.reports().back().status.dwWin32ExitCode, 0u);
    launcher.cleanUp();
}

// "Shutdown Timeout": the extended handler, pre-shutdown accepted and acted on like shutdown, and
// the time-out set for the installed name (the first start argument); a failure to set it is one
// error line and the service runs on.
TEST_F(ServiceRecordTest, ShutdownTimeoutAcceptsPreShutdownAndSetsItsTimeout) {
    ASSERT_TRUE(copied);
    Win::UniqueHandle mainMayReturn = writeBlockingService("vwtest.Blocks", "Shutdown Timeout=45\r\n");
    ASSERT_TRUE(launcher.startUp());
    port.preShutdownError = ERROR_ACCESS_DENIED;
    ServiceRecord record(launcher, L"VaultwickService.exe", port);
    startServiceMain(record);
    ASSERT_TRUE(mainRuns());
    EXPECT_TRUE(port.registeredEx());
    EXPECT_EQ(port.reports().front().status.dwControlsAccepted,
              static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_PRESHUTDOWN));
    EXPECT_THAT(port.preShutdownSettings(), ::testing::ElementsAre("VwRecordTest 45000"));
    EXPECT_THAT(errors.lines, ::testing::ElementsAre(L"Error: Windows exception: failed to set the service's "
                                                     L"pre-shutdown time-out (errno = 5).\n \n"));

    // What it does not handle it says so of, so the manager does not take it as done; interrogate it answers.
    EXPECT_EQ(port.controlEx(SERVICE_CONTROL_PARAMCHANGE), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
    EXPECT_EQ(port.controlEx(SERVICE_CONTROL_INTERROGATE), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(port.controlEx(SERVICE_CONTROL_PRESHUTDOWN), static_cast<DWORD>(NO_ERROR));
    ASSERT_TRUE(stopCallsReach(1)) << "pre-shutdown did not call stop()";
    serviceMain.join();
    EXPECT_TRUE(lastReportIs(SERVICE_STOPPED));
    EXPECT_EQ(port.reports().back().status.dwWin32ExitCode, 0u);
    launcher.cleanUp();
}

TEST_F(ServiceRecordTest, WithoutShutdownTimeoutThePlainHandlerAndStopAndShutdownOnly) {
    ASSERT_TRUE(copied);
    Win::UniqueHandle mainMayReturn = writeBlockingService("vwtest.Blocks", "Shutdown Timeout=0\r\n");
    ASSERT_TRUE(launcher.startUp());
    ServiceRecord record(launcher, L"VwRecordTest", port);
    startServiceMain(record);
    ASSERT_TRUE(mainRuns());
    EXPECT_FALSE(port.registeredEx());
    EXPECT_NE(port.handler(), nullptr);
    EXPECT_EQ(port.reports().front().status.dwControlsAccepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN));
    EXPECT_TRUE(port.preShutdownSettings().empty());
    port.handler()(SERVICE_CONTROL_SHUTDOWN);
    serviceMain.join();
    EXPECT_THAT(stopThreads(), SizeIs(1));
    launcher.cleanUp();
}

// How the run ended decides what the manager sees: recovery must fire for an engine that died on its own,
// and must not for one that ended because it was asked to stop. A failure is in the event log before
// STOPPED; after STOPPED with 3 or 4 a process that Java's threads keep alive is ended within "Stop Timeout".
struct EndCase {
    const char* mainClass;
    const char* parameters;
    bool stop;  // a stop request while main runs
    DWORD serviceSpecificCode;
    const wchar_t* errorLine;  // the error line (and event text), or empty
};

TEST_F(ServiceRecordTest, StoppedTellsAMainThatDiedOrFailedToDetachFromACleanEnd) {
    ASSERT_TRUE(copied);
    const EndCase cases[] = {
        {"vwtest.Throws", "", false, 3,
         L"The Java program's main method ended with an uncaught java.lang.IllegalStateException; the service stops "
         L"with service-specific error 3."},
        {"vwtest.ThrowsAtStop", "", true, 0, L""},
        {"vwtest.Record", "-Dstandin.failMainDetach=yes", false, 4,
         L"The Java program's main thread could not detach from the virtual machine; the service stops with "
         L"service-specific error 4."},
        {"vwtest.Missing", "", false, 1, L"Could not find the main class vwtest/Missing.\n"},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.mainClass);
        // One VM per process and launcher: each case in a sandbox of its own, with its own runtime copy.
        Sandbox box(L"service-record-end");
        RecordingErrorLines caseErrors;
        SandboxPlatform casePlatform(box.exe);
        Launcher caseLauncher(caseErrors, casePlatform, probe, registry, prompt);
        RecordingPort casePort;
        static int counter = 0;
        const std::wstring eventName = L"vw-record-end-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(++counter);
        Win::UniqueHandle mainMayReturn(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
        const bool lingers = c.serviceSpecificCode >= 3;  // a Java thread outlives main
        box.writeIni(std::string("Application Type=service\r\n") + (lingers ? "Stop Timeout=1\r\n" : ""),
                     std::string("Main Class=") + c.mainClass + "\r\nVirtual Machine Parameters=" + box.recordOption() +
                         " -Dstandin.stopEvent=" + narrow(eventName) + " " + c.parameters + "\r\n",
                     "a.jar");
        ASSERT_TRUE(caseLauncher.startUp());
        std::vector<std::wstring> eventsAtStop;
        casePort.afterReport = [&](const SERVICE_STATUS& status) {
            if (status.dwCurrentState == SERVICE_STOPPED) eventsAtStop = casePort.events();
        };
        ServiceRecord record(caseLauncher, L"VwRecordTest", casePort);
        std::thread main([&record] {
            wchar_t name[] = L"VwRecordTest";
            LPWSTR argv[] = {name};
            record.serviceMain(1, argv);
        });
        if (c.serviceSpecificCode != 1)
            ASSERT_TRUE(waitUntil([&] { return !linesOf(box.recordText(), "main count=").empty(); })) << "main never ran";
        // Attached, this thread stands for a non-daemon Java thread the engine left behind.
        JNIEnv* env = nullptr;
        if (lingers) ASSERT_EQ(caseLauncher.javaVm()->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr), JNI_OK);
        if (c.stop) casePort.handler()(SERVICE_CONTROL_STOP);
        main.join();
        // The entry cleans up with the record gone; here it stays, so the limit ends through the port.
        std::thread cleanUp([&] { caseLauncher.cleanUp(); });
        const bool ended = waitUntil([&] { return !casePort.endedWith().empty(); }, lingers ? 20000 : 2000);
        if (lingers) caseLauncher.javaVm()->DetachCurrentThread();
        cleanUp.join();

        const SERVICE_STATUS stopped = casePort.reports().back().status;
        EXPECT_EQ(stopped.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
        EXPECT_EQ(stopped.dwWin32ExitCode, c.serviceSpecificCode ? static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR) : 0u);
        EXPECT_EQ(stopped.dwServiceSpecificExitCode, c.serviceSpecificCode);
        const std::wstring expected = c.errorLine;
        // What the event said, and nothing for a clean end; the limit's line may follow it.
        EXPECT_EQ(caseLauncher.serviceFailureText().substr(0, expected.empty() ? std::wstring::npos : expected.size()),
                  expected);
        std::vector<std::wstring> lines(expected.empty() ? 0 : 1, L"Error: " + expected + L" \n");
        if (lingers) {
            EXPECT_TRUE(ended) << "the failed service's process lived on past Stop Timeout";
            EXPECT_THAT(casePort.endedWith(), ::testing::ElementsAre(static_cast<UINT>(-1)));
            lines.push_back(L"Error: The service stopped with service-specific error " +
                            std::to_wstring(c.serviceSpecificCode) +
                            L", but its process did not end within 1 seconds; it is ended now. \n");
        } else {
            EXPECT_FALSE(ended) << "a process that ended by itself was ended";
        }
        EXPECT_THAT(caseErrors.lines, ::testing::ElementsAreArray(lines));
        if (expected.empty()) {
            EXPECT_THAT(casePort.events(), ::testing::IsEmpty());
        } else {
            EXPECT_THAT(eventsAtStop, ::testing::ElementsAre(expected)) << "the event came after STOPPED, or never";
            const std::string logged = narrow(expected.substr(0, expected.find_last_not_of(L'\n') + 1));
            EXPECT_NE(slurp(box.folder + L"VaultwickService.log").find("Error: " + logged), std::string::npos);
        }
    }
}

// A stop before main is a clean end, even after a harmless error line (here the pre-shutdown time-out
// that could not be set): no service-specific error, and nothing for the event log.
TEST_F(ServiceRecordTest, AStopBeforeMainIsACleanEndAfterAnEarlierErrorLine) {
    ASSERT_TRUE(copied);
    Win::UniqueHandle mainMayReturn = writeBlockingService("vwtest.Blocks", "Shutdown Timeout=45\r\n",
                                                           "-Dstandin.createDelayMs=2000");
    ASSERT_TRUE(launcher.startUp());
    port.preShutdownError = ERROR_ACCESS_DENIED;
    ServiceRecord record(launcher, L"VaultwickService.exe", port);
    startServiceMain(record);
    ASSERT_TRUE(waitUntil([&] { return !linesOf(recordText(), "create ").empty(); })) << "the VM was never created";
    EXPECT_EQ(port.controlEx(SERVICE_CONTROL_STOP), static_cast<DWORD>(NO_ERROR));
    serviceMain.join();
    launcher.cleanUp();
    EXPECT_THAT(linesOf(recordText(), "main "), ::testing::IsEmpty());
    ASSERT_TRUE(lastReportIs(SERVICE_STOPPED));
    EXPECT_EQ(port.reports().back().status.dwWin32ExitCode, 0u);
    EXPECT_THAT(errors.lines, SizeIs(1)) << "the pre-shutdown line";
    EXPECT_EQ(launcher.serviceFailureText(), L"") << "a clean stop reported as a failure";
}

}  // namespace
