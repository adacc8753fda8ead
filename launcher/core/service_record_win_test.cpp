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
        return true;
    }
    bool report(const SERVICE_STATUS& status) override {
        std::lock_guard<std::mutex> hold(lock_);
        reports_.push_back({status, GetCurrentThreadId()});
        return true;
    }
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

private:
    std::mutex lock_;
    std::wstring name_;
    LPHANDLER_FUNCTION handler_ = nullptr;
    std::vector<Report> reports_;
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

}  // namespace
