// Single instance under Wine: real named mappings, events, mutexes and thread messages between
// copies of VaultwickService.exe, with the stand-in runtime's scripted main classes as the first
// instance's Java program.
#include "instance_block.h"
#include "launcher_sandbox_win.h"
#include "single_instance_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::HasSubstr;

namespace {

using namespace LauncherTesting;
using Calls = std::vector<std::vector<std::string>>;

// Every secondaryMain call the stand-in recorded, with its arguments.
Calls secondaryCalls(const std::string& record) {
    Calls calls;
    std::size_t expected = 0;
    bool inCall = false;
    for (const std::string& line : linesOf(record, "")) {
        if (line.rfind("secondaryMain count=", 0) == 0) {
            calls.emplace_back();
            expected = std::stoul(line.substr(20));
            inCall = expected > 0;
        } else if (inCall && line.rfind("arg ", 0) == 0) {
            calls.back().push_back(line.substr(4));
            inCall = calls.back().size() < expected;
        }
    }
    return calls;
}

// One installed copy with "Single Instance" on; its first instance's main blocks until the test
// sets the stop event, then returns (or, for vwtest/Exits, ends the process with 7).
class Installation : public Sandbox {
public:
    explicit Installation(const std::string& mainClass, const std::string& extraParameters = "")
        : Sandbox(L"single") {
        static int counter = 0;
        stopName = L"vw-single-stop-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
        stopEvent.reset(CreateEventW(nullptr, TRUE, FALSE, stopName.c_str()));
        writeIni("Single Instance=yes\r\nCmd=cmd-extra\r\n",
                 "Main Class=" + mainClass + "\r\nVirtual Machine Parameters=" + recordOption() +
                     " -Dstandin.stopEvent=" + narrow(stopName) + " " + extraParameters + "\r\n",
                 "a.jar");
    }

    // Started and waited for until its main runs (requests are served from then on).
    Launched startFirst(const std::wstring& arguments = L"first-arg") {
        Launched first = start(arguments, L"first.txt");
        EXPECT_TRUE(waitUntil([&] { return recordText().find("\nmain count=") != std::string::npos; }))
            << "the first instance's main did not start";
        return first;
    }

    bool mappingExists() const {
        Win::UniqueHandle mapping(
            OpenFileMappingW(FILE_MAP_READ, FALSE, InstanceBlock::instanceName(exe).c_str()));
        return mapping.valid();
    }

    void endFirst() { SetEvent(stopEvent.get()); }

    std::wstring stopName;
    Win::UniqueHandle stopEvent;
};

TEST(SingleInstance, LaterStartsHandTheirArgumentsToTheFirstAndEndWithTheIntResult) {
    Installation app("vwtest.Blocks");
    ASSERT_TRUE(app.copied);
    Launched first = app.startFirst();
    ASSERT_TRUE(first.running());
    EXPECT_TRUE(app.mappingExists());

    EXPECT_EQ(app.run(L"x \"y z\"").exitCode, 42u) << "40 + the number of arguments";
    EXPECT_EQ(app.run().exitCode, 41u) << "no arguments: one empty string";
    EXPECT_EQ(app.run(L"\u00e9\u0141\u0436").exitCode, 41u);
    EXPECT_EQ(app.run(L"" + std::wstring(1038, L'w')).exitCode, 41u) << "1038 characters and two zeros fit";
    EXPECT_EQ(app.run(L"" + std::wstring(1039, L'v')).exitCode, kFailure) << "1041 bytes do not";

    EXPECT_THAT(secondaryCalls(app.recordText()),
                ElementsAre(ElementsAre("x", "y z"), ElementsAre(""), ElementsAre("\xc3\xa9" "A6"),
                            ElementsAre(std::string(1038, 'w'))))
        << "the oversized start must not reach the first instance, and no later start forwards Cmd";

    app.endFirst();
    const Outcome ended = first.finish();
    EXPECT_EQ(ended.exitCode, 0u) << ended.output;
    EXPECT_THAT(linesOf(app.recordText(), "main count="), ElementsAre("2")) << "first-arg and cmd-extra";
    EXPECT_FALSE(app.mappingExists()) << "the block goes with the last instance";
}

TEST(SingleInstance, VoidSecondaryMainReleasesTheLaterStartWithZero) {
    Installation app("vwtest.BlocksVoid");
    Launched first = app.startFirst();
    EXPECT_EQ(app.run(L"a b").exitCode, 0u);
    EXPECT_THAT(secondaryCalls(app.recordText()), ElementsAre(ElementsAre("a", "b")));
    app.endFirst();
    EXPECT_EQ(first.finish().exitCode, 0u);
}

// The later starts hand over while the first instance is still creating its VM, so every request
// waits for main; they share the one block, and must not overwrite each other's arguments in it.
TEST(SingleInstance, LaterStartsAtTheSameTimeEachGetTheirOwnArgumentsServed) {
    Installation app("vwtest.Blocks", "-Dstandin.createDelayMs=1500");
    Launched first = app.start(L"", L"first.txt");
    ASSERT_TRUE(waitUntil([&] { return app.recordText().find("create ") != std::string::npos; }));
    constexpr int kStarts = 6;
    std::vector<Launched> later;
    for (int i = 0; i < kStarts; ++i) {
        std::wstring arguments;
        for (int k = 0; k <= i; ++k) arguments += L"r" + std::to_wstring(i) + L" ";
        later.push_back(app.start(arguments, L"later" + std::to_wstring(i) + L".txt"));
    }
    for (int i = 0; i < kStarts; ++i)
        EXPECT_EQ(later[static_cast<std::size_t>(i)].finish().exitCode, static_cast<DWORD>(41 + i)) << "start " << i;

    Calls calls = secondaryCalls(app.recordText());
    std::sort(calls.begin(), calls.end(), [](const auto& a, const auto& b) { return a.size() < b.size(); });
    ASSERT_EQ(calls.size(), static_cast<std::size_t>(kStarts));
    for (int i = 0; i < kStarts; ++i)
        EXPECT_EQ(calls[static_cast<std::size_t>(i)],
                  std::vector<std::string>(static_cast<std::size_t>(i + 1), "r" + std::to_string(i)));
    app.endFirst();
    EXPECT_EQ(first.finish().exitCode, 0u);
}

// vwtest/Exits has no secondaryMain: the request is never answered, and the waiting start ends with
// the first instance's exit code once that one ends. 259 is also the value that says "still running",
// so only the ended process's signalled handle can tell that code apart.
TEST(SingleInstance, FirstInstanceEndingReleasesAWaitingLaterStartWithItsExitCode) {
    for (DWORD code : {7u, 259u}) {
        Installation app("vwtest.Exits", "-Dstandin.exitCode=" + std::to_string(code));
        Launched first = app.startFirst();
        Launched waiting = app.start(L"q", L"waiting.txt");
        ASSERT_TRUE(waitUntil([&] { return slurp(app.folder + L"first.txt").find("secondaryMain") != std::string::npos; }))
            << "the request never reached the first instance";
        EXPECT_THAT(slurp(app.folder + L"first.txt"), HasSubstr("NoSuchMethodError"));
        EXPECT_TRUE(waiting.running()) << "no reply was sent, so the later start must still wait";

        app.endFirst();
        EXPECT_EQ(first.finish().exitCode, code);
        EXPECT_EQ(waiting.finish(15000).exitCode, code);
    }
}

// A hand-over on its way into Java when main returns: the VM is not destroyed under it. The slow
// attach puts the forwarding thread between the ready event and the VM while the first ends.
TEST(SingleInstance, HandOverUnderWayWhenMainReturnsIsServedBeforeTheVmGoes) {
    Installation app("vwtest.Blocks", "-Dstandin.attachDelayMs=1500");
    Launched first = app.startFirst();
    Launched later = app.start(L"q", L"later.txt");
    ASSERT_TRUE(waitUntil([&] { return app.recordText().find("delayed attach") != std::string::npos; }))
        << "the request never reached the first instance";
    app.endFirst();

    EXPECT_EQ(first.finish().exitCode, 0u);
    EXPECT_EQ(later.finish().exitCode, 41u) << "secondaryMain's reply, not the first instance's exit code";
    const std::string record = app.recordText();
    EXPECT_THAT(record, Not(HasSubstr("attach after destroy")));
    EXPECT_THAT(secondaryCalls(record), ElementsAre(ElementsAre("q")));
}

TEST(SingleInstance, InstallationsInDifferentFoldersDoNotSeeEachOther) {
    Installation one("vwtest.Blocks");
    Installation two("vwtest.Blocks");
    Launched firstOne = one.startFirst();
    Launched firstTwo = two.startFirst();
    EXPECT_TRUE(firstOne.running());
    EXPECT_TRUE(firstTwo.running()) << "the second folder's program must run as a first instance too";
    EXPECT_TRUE(one.mappingExists());
    EXPECT_TRUE(two.mappingExists());
    EXPECT_THAT(secondaryCalls(one.recordText()), IsEmpty());
    one.endFirst();
    two.endFirst();
    EXPECT_EQ(firstOne.finish().exitCode, 0u);
    EXPECT_EQ(firstTwo.finish().exitCode, 0u);
}

// A hand-over block written by the test itself, as a first instance would, with fields chosen to
// make one step of a later start fail.
class ForgedFirstInstance {
public:
    ForgedFirstInstance(const Sandbox& app, DWORD listenerThread, DWORD processId) {
        const std::wstring name = InstanceBlock::instanceName(app.exe);
        mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                          static_cast<DWORD>(InstanceBlock::kSize), name.c_str()));
        view_.reset(mapping_ ? MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, 0) : nullptr);
        if (!view_) return;
        auto* block = static_cast<unsigned char*>(view_.get());
        InstanceBlock::writeField(block, InstanceBlock::kListenerThreadOffset, listenerThread);
        InstanceBlock::writeField(block, InstanceBlock::kProcessIdOffset, processId);
        InstanceBlock::writeField(block, InstanceBlock::kMessageIdOffset, RegisterWindowMessageW(name.c_str()));
    }
    bool valid() const { return view_.valid(); }

private:
    Win::UniqueHandle mapping_;
    Win::UniqueMappedView view_;
};

// Largest process ids are never handed out, so this one cannot be opened.
constexpr DWORD kNoSuchProcess = 0xFFFFFFF0u;

// The id of a thread that has ended, so a message posted to it fails.
DWORD endedThreadId() {
    DWORD id = 0;
    Win::UniqueHandle thread(CreateThread(nullptr, 0, [](void*) -> DWORD { return 0; }, nullptr, 0, &id));
    WaitForSingleObject(thread.get(), INFINITE);
    return id;
}

TEST(SingleInstance, LaterStartWhosePostFailsEndsWithMinusOne) {
    Installation app("vwtest.Blocks");
    ForgedFirstInstance first(app, endedThreadId(), GetCurrentProcessId());
    ASSERT_TRUE(first.valid());
    EXPECT_EQ(app.run(L"x").exitCode, kFailure);
    EXPECT_EQ(app.recordText(), "") << "a later start never runs Java";
}

TEST(SingleInstance, LaterStartThatCannotOpenTheFirstInstanceEndsWithZero) {
    Installation app("vwtest.Blocks");
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // this thread stands in for the listener
    ForgedFirstInstance first(app, GetCurrentThreadId(), kNoSuchProcess);
    ASSERT_TRUE(first.valid());
    EXPECT_EQ(app.run(L"x").exitCode, 0u);
    const UINT handOver = RegisterWindowMessageW(InstanceBlock::instanceName(app.exe).c_str());
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, handOver, handOver, PM_REMOVE)) << "the request was not posted";
    EXPECT_EQ(app.recordText(), "");
}

// A later start waits its turn for the hand-over lock; when the first instance ends meanwhile, the
// later start ends with the first instance's exit code, as when it ends during the wait for a reply.
TEST(SingleInstance, FirstInstanceEndingWhileALaterStartWaitsForTheHandOverLock) {
    Installation app("vwtest.Exits");
    Launched first = app.startFirst();
    const std::wstring name = InstanceBlock::instanceName(app.exe);
    // Held here too, so the block outlives the first instance and the later start stays a later one.
    Win::UniqueHandle block(OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str()));
    Win::UniqueHandle lock(CreateMutexW(nullptr, TRUE, InstanceBlock::handOverMutexName(name).c_str()));
    ASSERT_TRUE(block);
    ASSERT_TRUE(lock);
    Launched waiting = app.start(L"q", L"waiting.txt");
    Sleep(1500);  // time for the later start to open the first instance and reach the lock
    EXPECT_TRUE(waiting.running());
    app.endFirst();
    EXPECT_EQ(first.finish().exitCode, 7u);
    EXPECT_EQ(waiting.finish().exitCode, 7u);
    ReleaseMutex(lock.get());
    EXPECT_THAT(secondaryCalls(app.recordText()), IsEmpty());
}

// An installation with "Single Instance" on, as the configuration step sees it, for running both
// sides of a hand-over inside this process.
class SingleInstanceSettings : public ConfigPlatform {
public:
    std::wstring readProfileSection(const std::wstring&, const std::wstring& section) override {
        return section == L"Application" ? std::wstring(L"Single Instance=yes\0", 20) : std::wstring();
    }
    std::size_t readProfileString(const std::wstring&, const std::wstring&, const std::wstring&, wchar_t* buffer,
                                  std::size_t) override {
        buffer[0] = L'\0';
        return 0;
    }
    void writeProfileString(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&) override {}
    bool programPath(std::wstring& path, unsigned long&) override {
        path = L"C:\\vw-in-process-" + std::to_wstring(GetCurrentProcessId()) + L"\\VaultwickService.exe";
        return true;
    }
    std::wstring environmentVariable(const std::wstring&) override { return std::wstring(); }
    std::wstring expandEnvironment(const std::wstring& text) override { return text; }
    bool isNtPlatform() override { return true; }
    bool fileExists(const std::wstring&) override { return false; }
    void createDirectory(const std::wstring&) override {}
};

class NoErrorLines : public ErrorLines {
public:
    std::wstring text(unsigned) override { return std::wstring(); }
    void printMessage(const std::wstring&) override {}
};

// The clean-up before the VM goes, started at the worst moment: the pool has taken a request whose
// callback is already in the VM while the listener has not come back from handing it over. The clean-up
// must still wait for that callback; and once it has begun, a new request is not taken at all.
TEST(SingleInstance, CleanUpWaitsForAHandOverJustSubmittedAndTakesNoNewOne) {
    SingleInstanceSettings settings;
    NoErrorLines errors;
    ConfigFile file(settings, errors);
    Win::UniqueHandle inVm(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    Win::UniqueHandle cleanedUp(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<bool> cleanUpEndedUnderForward{false};
    std::atomic<int> submitted{0};
    std::atomic<bool> cleanUpStarted{false};
    std::thread cleanUp;
    SingleInstance* firstInstance = nullptr;

    SingleInstance first(
        [&](const std::vector<std::wstring>&, const std::function<void(int)>&) {
            SetEvent(inVm.get());
            // Stands for the time the VM is in use; the clean-up ending meanwhile would destroy it.
            cleanUpEndedUnderForward = WaitForSingleObject(cleanedUp.get(), 1000) == WAIT_OBJECT_0;
        },
        [&](PTP_SIMPLE_CALLBACK callback, void* context) {
            if (!SingleInstance::submitToThreadPool(callback, context)) return false;
            if (++submitted > 1) return true;
            // Called on the listener: hold it here until the callback is in the VM, then clean up.
            EXPECT_EQ(WaitForSingleObject(inVm.get(), 10000), WAIT_OBJECT_0);
            cleanUp = std::thread([&] {
                firstInstance->stopForwarding();
                SetEvent(cleanedUp.get());
            });
            WaitForSingleObject(cleanedUp.get(), 500);
            cleanUpStarted = true;
            return true;
        });
    firstInstance = &first;
    ASSERT_TRUE(first.setUp(file, {}));
    ASSERT_TRUE(first.on());
    ASSERT_FALSE(first.isSecondInstance());
    first.signalReady();

    {
        SingleInstance later([](const std::vector<std::wstring>&, const std::function<void(int)>&) {});
        ASSERT_TRUE(later.setUp(file, {L"one"}));
        ASSERT_TRUE(later.isSecondInstance());
    }
    ASSERT_TRUE(waitUntil([&] { return cleanUpStarted.load(); }, 10000));
    cleanUp.join();
    EXPECT_FALSE(cleanUpEndedUnderForward) << "the clean-up did not wait for a request it had not seen";

    {
        SingleInstance later([](const std::vector<std::wstring>&, const std::function<void(int)>&) {});
        ASSERT_TRUE(later.setUp(file, {L"two"}));  // returns once the first instance has copied the request
    }
    first.shutDown();
    EXPECT_EQ(submitted, 1) << "a request was taken after the clean-up began";
}

// A later start only waits for the first instance and reads its exit code, and Windows grants no more
// where the first runs elevated and the later one does not: the opener here refuses anything else.
TEST(SingleInstance, LaterStartAsksTheFirstInstanceForNoMoreThanItsWaitNeeds) {
    SingleInstanceSettings settings;
    NoErrorLines errors;
    ConfigFile file(settings, errors);
    SingleInstance first([](const std::vector<std::wstring>& arguments,
                            const std::function<void(int)>& reply) { reply(40 + static_cast<int>(arguments.size())); });
    ASSERT_TRUE(first.setUp(file, {}));
    first.signalReady();
    auto asElevatedFirstInstanceAllows = [](DWORD access, DWORD processId) -> HANDLE {
        const bool more = (access & ~static_cast<DWORD>(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE)) != 0;
        return more ? nullptr : OpenProcess(access, FALSE, processId);
    };
    SingleInstance later([](const std::vector<std::wstring>&, const std::function<void(int)>&) {},
                         SingleInstance::submitToThreadPool, asElevatedFirstInstanceAllows);
    ASSERT_TRUE(later.setUp(file, {L"one", L"two"}));
    ASSERT_TRUE(later.isSecondInstance());
    EXPECT_EQ(later.waitForFirstInstance(), 42) << "the reply was not waited for";
    first.shutDown();
}

}  // namespace
