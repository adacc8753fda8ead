// stop() and secondaryMain over the real JVM, on threads of their own as the service's stop thread
// and the single-instance forwarding threads call them, beside a running main of the reference engine.
#include "java_attached_calls.h"
#include "java_invoke.h"
#include "recording_error_lines.h"
#include "vm_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const std::wstring kEngine = L"vaultwick/engine/ReferenceEngine";
const std::wstring kEngineWithExitCode = L"vaultwick/engine/ReferenceEngineWithExitCode";

RecordingErrorLines* gErrors = nullptr;
VmHost* gHost = nullptr;

std::string tempPath(const char* name) {
    return "/tmp/vw-attached-test-" + std::to_string(getpid()) + "-" + name;
}
const std::string gOut = tempPath("out.txt");
const std::string gErr = tempPath("err.txt");

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

class RealJvm : public ::testing::Environment {
public:
    void SetUp() override {
        gErrors = new RecordingErrorLines;
        gHost = new VmHost(*gErrors);
        ASSERT_TRUE(gHost->loadVm(L"" VW_LIBJVM));
        gHost->appendOption(L"-Djava.class.path=" VW_ENGINE_JAR ":" VW_TEST_CLASSES);
        // The VM's default character set, as the ctest entry names it.
        const char* encoding = std::getenv("VW_TEST_FILE_ENCODING");
        const std::string option = std::string("-Dfile.encoding=") + (encoding ? encoding : "ISO-8859-1");
        gHost->appendOption(std::wstring(option.begin(), option.end()));
        ASSERT_TRUE(gHost->createVm());
        JNIEnv* env = nullptr;
        ASSERT_EQ(gHost->javaVm()->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_2), JNI_OK);
        ASSERT_TRUE(redirectStream(env, JavaStream::Out, std::wstring(gOut.begin(), gOut.end())));
        ASSERT_TRUE(redirectStream(env, JavaStream::Err, std::wstring(gErr.begin(), gErr.end())));
    }
    void TearDown() override {
        std::remove(gOut.c_str());
        std::remove(gErr.c_str());
    }
};
const auto* const kJvm = ::testing::AddGlobalTestEnvironment(new RealJvm);

JavaVM* vm() { return gHost->javaVm(); }

// Runs `call` on a new native thread (as the launcher's stop and forwarding threads are) and tells
// whether that thread was left detached afterwards.
bool runOnOwnThreadAndStayDetached(const std::function<void()>& call) {
    bool detached = false;
    std::thread([&] {
        call();
        JNIEnv* env = nullptr;
        detached = vm()->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_2) == JNI_EDETACHED;
    }).join();
    return detached;
}

struct Reply {
    int calls = 0;
    int value = -1;
    std::string outputAtReply;  // System.out as it was when the reply went out
};

Reply secondary(const std::wstring& mainClass, const std::vector<std::wstring>& arguments) {
    Reply reply;
    EXPECT_TRUE(runOnOwnThreadAndStayDetached([&] {
        callSecondaryMain(vm(), mainClass, arguments, [&](int value) {
            ++reply.calls;
            reply.value = value;
            reply.outputAtReply = slurp(gOut);
        });
    }));
    return reply;
}

bool waitForOutput(const std::string& text) {
    for (int i = 0; i < 300; ++i) {  // at most 30 s: a hang detector
        if (slurp(gOut).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// main of the reference engine on a thread of its own, as the VM thread runs it.
std::future<bool> startEngineMain() {
    auto ready = std::make_shared<std::promise<void>>();
    auto admitted = ready->get_future();
    auto finished = std::async(std::launch::async, [ready] {
        JNIEnv* env = nullptr;
        if (vm()->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) return false;
        JavaMain program;
        program.mainClass = kEngine;
        program.arguments = {L"--port", L"0"};
        program.onReady = [ready] {
            ready->set_value();
            return true;
        };
        const bool called = callMain(env, program, *gErrors).end == MainRun::End::Returned;
        vm()->DetachCurrentThread();
        return called;
    });
    admitted.wait();
    return finished;
}

TEST(JavaAttachedCalls, SecondaryMainBesideARunningMainThenStopEndsIt) {
    std::future<bool> main = startEngineMain();
    ASSERT_TRUE(waitForOutput("engine: listening on 127.0.0.1")) << slurp(gOut);

    // Void form: the reply goes out first, then the call.
    const Reply plain = secondary(kEngine, {L"a", L"b c"});
    EXPECT_EQ(plain.calls, 1);
    EXPECT_EQ(plain.value, 0);
    EXPECT_THAT(plain.outputAtReply, Not(HasSubstr("secondaryMain args=[a, b c]")));
    EXPECT_THAT(slurp(gOut), HasSubstr("engine: secondaryMain args=[a, b c]"));

    // Int form: called first, its result is the reply.
    const Reply counted = secondary(kEngineWithExitCode, {L"x", L"y", L"z"});
    EXPECT_EQ(counted.calls, 1);
    EXPECT_EQ(counted.value, 3);
    EXPECT_THAT(counted.outputAtReply, HasSubstr("engine: secondaryMain args=[x, y, z]"));

    // Several forwarding threads at once, all while main goes on running.
    std::vector<std::future<Reply>> replies;
    for (int i = 1; i <= 4; ++i)
        replies.push_back(std::async(std::launch::async, [i] {
            return secondary(kEngineWithExitCode, std::vector<std::wstring>(static_cast<std::size_t>(i), L"p" + std::to_wstring(i)));
        }));
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(replies[static_cast<std::size_t>(i - 1)].get().value, i);
    EXPECT_EQ(main.wait_for(std::chrono::seconds(0)), std::future_status::timeout) << "main ended early";

    JavaStopOutcome stop;
    EXPECT_TRUE(runOnOwnThreadAndStayDetached([&] { stop = callJavaStop(vm(), kEngine); }));
    EXPECT_EQ(stop.kind, JavaStopOutcome::Kind::Returned);
    ASSERT_EQ(main.wait_for(std::chrono::seconds(60)), std::future_status::ready) << "stop() did not end main";
    EXPECT_TRUE(main.get());
    EXPECT_THAT(slurp(gOut), HasSubstr("engine: stopped"));
}

TEST(JavaAttachedCalls, ExceptionInSecondaryMainIsPrintedAndTheIntFormRepliesZero) {
    const Reply reply = secondary(L"vwtest/ThrowingSecondary", {L"1", L"2"});
    EXPECT_EQ(reply.calls, 1);
    EXPECT_EQ(reply.value, 0);
    EXPECT_THAT(slurp(gErr), HasSubstr("java.lang.IllegalStateException: secondary with 2 arguments"));
}

TEST(JavaAttachedCalls, NoReplyWithoutSecondaryMain) {
    EXPECT_EQ(secondary(L"vwtest/Echo", {L"a"}).calls, 0);
    EXPECT_THAT(slurp(gErr), HasSubstr("java.lang.NoSuchMethodError: static Lvwtest/Echo;.secondaryMain([Ljava/lang/String;)I"));
    EXPECT_EQ(secondary(L"vwtest/Missing", {L"a"}).calls, 0);
    EXPECT_THAT(slurp(gErr), HasSubstr("java.lang.NoClassDefFoundError: vwtest/Missing"));
}

// The launcher's text reaches Java as the characters it names, whatever the VM's default character
// set: ctest runs this file once with ISO-8859-1 (a single-byte page, as Windows runtimes up to
// JDK 17 had) and once with UTF-8 (every runtime since JDK 18). Covered: a class name for main, stop()
// and secondaryMain, main's arguments, an output file's path and a forwarded argument. A character
// outside the ANSI page (ISO-8859-1 in native builds) arrives as '?'. And the way back: the stack
// trace text of an exception main let escape.
TEST(JavaAttachedCalls, NonAsciiTextReachesJavaAsTheSameCharacters) {
    const std::wstring name = L"vwtest/Caf\u00e9";
    const std::string prefix = tempPath("");
    const std::wstring outputFile = std::wstring(prefix.begin(), prefix.end()) + L"sortie-\u00e9.txt";
    const std::string outputOnDisk = prefix + "sortie-\xc3\xa9.txt";  // the VM spells file names in UTF-8 here
    std::remove(outputOnDisk.c_str());
    JNIEnv* env = nullptr;
    ASSERT_EQ(vm()->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_2), JNI_OK);
    ASSERT_TRUE(redirectStream(env, JavaStream::Out, outputFile));
    EXPECT_TRUE(std::ifstream(outputOnDisk).good()) << "no output file of that name";

    bool mainCalled = false;
    std::wstring trace;
    EXPECT_TRUE(runOnOwnThreadAndStayDetached([&] {
        JNIEnv* attached = nullptr;
        ASSERT_EQ(vm()->AttachCurrentThread(reinterpret_cast<void**>(&attached), nullptr), JNI_OK);
        mainCalled = callMain(attached, JavaMain{name, {L"Jos\u00e9", L"\u20ac"}}, *gErrors).end ==
                     MainRun::End::Returned;
        JavaMain throwing{name, {L"throw"}};
        throwing.onUncaughtException = [&](const std::wstring& text) { trace = text; };
        callMain(attached, throwing, *gErrors);
        vm()->DetachCurrentThread();
    }));
    EXPECT_TRUE(mainCalled);
    EXPECT_THAT(trace, HasSubstr(L"java.lang.IllegalStateException: Caf\u00e9 kaputt"));
    EXPECT_TRUE(runOnOwnThreadAndStayDetached([&] { callJavaStop(vm(), name); }));
    const Reply reply = secondary(name, {L"x", L"Jos\u00e9", L"z"});
    EXPECT_EQ(reply.calls, 1);
    EXPECT_EQ(reply.value, 73);

    const std::string output = slurp(outputOnDisk);
    EXPECT_THAT(output, HasSubstr("nonascii main 2 [004a 006f 0073 00e9] [003f]\n"));
    EXPECT_THAT(output, HasSubstr("nonascii stop\n"));
    EXPECT_THAT(output, HasSubstr("nonascii secondaryMain 3 [0078] [004a 006f 0073 00e9] [007a]\n"));
    EXPECT_THAT(slurp(gErr), Not(HasSubstr("NoClassDefFoundError: vwtest/Caf")));

    EXPECT_TRUE(redirectStream(env, JavaStream::Out, std::wstring(gOut.begin(), gOut.end())));
    std::remove(outputOnDisk.c_str());
}

// The outcome the launcher logs: nothing ran when the class or the method is missing (the lookup's error
// is printed), and a stop() that threw is told apart from one that returned.
TEST(JavaAttachedCalls, StopTellsWhetherItRanAndHowItEnded) {
    JavaStopOutcome noMethod, noClass, threw;
    EXPECT_TRUE(runOnOwnThreadAndStayDetached([&] { noMethod = callJavaStop(vm(), L"vwtest/Echo"); }));
    EXPECT_EQ(noMethod.kind, JavaStopOutcome::Kind::MethodNotFound);
    EXPECT_THAT(slurp(gErr), HasSubstr("java.lang.NoSuchMethodError: static Lvwtest/Echo;.stop()V"));

    EXPECT_TRUE(runOnOwnThreadAndStayDetached([&] { noClass = callJavaStop(vm(), L"vwtest/MissingForStop"); }));
    EXPECT_EQ(noClass.kind, JavaStopOutcome::Kind::ClassNotFound);
    EXPECT_THAT(slurp(gErr), HasSubstr("java.lang.NoClassDefFoundError: vwtest/MissingForStop"));

    EXPECT_TRUE(runOnOwnThreadAndStayDetached([&] { threw = callJavaStop(vm(), L"vwtest/ThrowingSecondary"); }));
    EXPECT_EQ(threw.kind, JavaStopOutcome::Kind::Threw);
    EXPECT_EQ(threw.exceptionClass, L"java.lang.UnsupportedOperationException");
    EXPECT_THAT(slurp(gErr), HasSubstr("java.lang.UnsupportedOperationException: stop refused"));

    EXPECT_EQ(callJavaStop(nullptr, kEngine).kind, JavaStopOutcome::Kind::NotAttached) << "without a VM nothing is called";
}

}  // namespace
