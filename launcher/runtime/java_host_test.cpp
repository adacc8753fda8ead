// The JNI code against the machine's real JVM. One VM per process: it is created once, on this
// thread, and every test uses it.
#include "java_invoke.h"
#include "java_strings.h"
#include "recording_error_lines.h"
#include "vm_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

RecordingErrorLines* gErrors = nullptr;
VmHost* gHost = nullptr;
JNIEnv* gEnv = nullptr;

class RealJvm : public ::testing::Environment {
public:
    void SetUp() override {
        gErrors = new RecordingErrorLines;
        gHost = new VmHost(*gErrors);
        ASSERT_TRUE(gHost->loadVm(L"" VW_LIBJVM));
        gHost->appendOption(L"-Djava.class.path=" VW_TEST_CLASSES);
        gHost->appendOption(L"-Dfile.encoding=ISO-8859-1");
        ASSERT_TRUE(gHost->createVm()) << (gErrors->lines.empty() ? std::wstring() : gErrors->lines.back());
        ASSERT_EQ(gHost->javaVm()->GetEnv(reinterpret_cast<void**>(&gEnv), JNI_VERSION_1_2), JNI_OK);
    }
};
const auto* const kJvm = ::testing::AddGlobalTestEnvironment(new RealJvm);

std::wstring javaUnits(jstring s) {
    const jsize n = gEnv->GetStringLength(s);
    const jchar* chars = gEnv->GetStringChars(s, nullptr);
    std::wstring out(chars, chars + n);
    gEnv->ReleaseStringChars(s, chars);
    return out;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string tempPath(const char* name) {
    return "/tmp/vw-host-test-" + std::to_string(getpid()) + "-" + name;
}

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }
std::string narrowOf(const std::wstring& s) { return std::string(s.begin(), s.end()); }

class JavaHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        gErrors->lines.clear();
        outPath = tempPath("out.txt");
        errPath = tempPath("err.txt");
        ASSERT_TRUE(redirectStream(gEnv, JavaStream::Out, wide(outPath)));
        ASSERT_TRUE(redirectStream(gEnv, JavaStream::Err, wide(errPath)));
    }
    void TearDown() override {
        std::remove(outPath.c_str());
        std::remove(errPath.c_str());
        EXPECT_FALSE(gEnv->ExceptionCheck()) << "a step left an exception pending";
    }
    // Java buffers its streams: flush both before reading the files.
    void flushJava() {
        jclass system = gEnv->FindClass("java/lang/System");
        for (const char* field : {"out", "err"}) {
            jobject stream = gEnv->GetStaticObjectField(
                system, gEnv->GetStaticFieldID(system, field, "Ljava/io/PrintStream;"));
            gEnv->CallVoidMethod(stream, gEnv->GetMethodID(gEnv->GetObjectClass(stream), "flush", "()V"));
        }
    }
    std::string outPath, errPath;
};

TEST_F(JavaHostTest, StringsPassThroughTheAnsiPage) {
    // é and ü are in the single-byte page and survive; € and Ω are not, and arrive as '?'.
    jstring text = toJavaString(gEnv, L"Gr\u00fc\u00dfe caf\u00e9 \u20ac\u03a9");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(javaUnits(text), L"Gr\u00fc\u00dfe caf\u00e9 ??");
    EXPECT_EQ(fromJavaString(gEnv, text), L"Gr\u00fc\u00dfe caf\u00e9 ??");

    jstring empty = toJavaString(gEnv, L"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(gEnv->GetStringLength(empty), 0);
}

TEST_F(JavaHostTest, StringArraysKeepOrderAndLength) {
    jobjectArray array = toJavaStringArray(gEnv, {L"one", L"", L"thr\u00e9e", L"a b"});
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(gEnv->GetArrayLength(array), 4);
    std::vector<std::wstring> back;
    for (jsize i = 0; i < 4; ++i) back.push_back(javaUnits(static_cast<jstring>(gEnv->GetObjectArrayElement(array, i))));
    EXPECT_THAT(back, ElementsAre(L"one", L"", L"thr\u00e9e", L"a b"));

    jobjectArray none = toJavaStringArray(gEnv, {});
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(gEnv->GetArrayLength(none), 0);
}

TEST_F(JavaHostTest, MainGetsItsArgumentsInOrderAndTheStreamsGoToTheFiles) {
    int readyCalls = 0;
    JavaMain program{L"vwtest/Echo", {L"-nosplash", L"two words", L"\u00e9t\u00e9"}};
    program.onReady = [&] {
        ++readyCalls;
        return true;
    };
    EXPECT_EQ(callMain(gEnv, program, *gErrors).end, MainRun::End::Returned);
    flushJava();
    EXPECT_EQ(readyCalls, 1);
    EXPECT_EQ(slurp(outPath), "-nosplash\ntwo words\n\xe9t\xe9\n");
    EXPECT_EQ(slurp(errPath), "err:3\n");
    EXPECT_THAT(gErrors->lines, IsEmpty());

    EXPECT_EQ(callMain(gEnv, JavaMain{L"vwtest/Echo", {}}, *gErrors).end, MainRun::End::Returned);
    flushJava();
    EXPECT_EQ(slurp(errPath), "err:3\nerr:0\n") << "no arguments: an empty array";
}

TEST_F(JavaHostTest, ReadyHookCanKeepMainFromRunning) {
    JavaMain program{L"vwtest/Echo", {L"never printed"}};
    program.onReady = [] { return false; };
    EXPECT_EQ(callMain(gEnv, program, *gErrors).end, MainRun::End::Withheld)
        << "a stop before main is a clean end, not a failure";
    flushJava();
    EXPECT_EQ(slurp(outPath), "");
    EXPECT_THAT(gErrors->lines, IsEmpty());
}

// Where Java's output goes: a file that cannot be made leaves the stream where it was; an appending
// redirection keeps what the file held; one stream for both takes both in the order written.
TEST_F(JavaHostTest, RedirectionKeepsTheStreamOrTheFileOrSharesOneStream) {
    std::wstring reason;
    EXPECT_FALSE(redirectStream(gEnv, JavaStream::Out, wide(tempPath("no-such-dir/out.txt")), false, &reason));
    EXPECT_THAT(narrowOf(reason), HasSubstr("java.io.FileNotFoundException: " + tempPath("no-such-dir/out.txt")))
        << "why, for the launcher log";
    EXPECT_EQ(callMain(gEnv, JavaMain{L"vwtest/Echo", {L"still here"}}, *gErrors).end, MainRun::End::Returned);
    flushJava();
    EXPECT_EQ(slurp(outPath), "still here\n");
    EXPECT_THAT(slurp(errPath), HasSubstr("java.io.FileNotFoundException"));

    // One stream for both that adds to the file: the real runtime's constructor and setters.
    const std::string shared = tempPath("shared.txt");
    std::ofstream(shared, std::ios::binary) << "before\n";
    ASSERT_TRUE(redirectStream(gEnv, JavaStream::Both, wide(shared), true));
    EXPECT_EQ(callMain(gEnv, JavaMain{L"vwtest/Echo", {L"again"}}, *gErrors).end, MainRun::End::Returned);
    flushJava();
    EXPECT_EQ(slurp(shared), "before\nagain\nerr:1\n");
    std::remove(shared.c_str());
}

TEST_F(JavaHostTest, MissingMainClassDescribesTheExceptionThenReports215) {
    bool ready = false;
    JavaMain program{L"vwtest/Missing", {}};
    program.onReady = [&] {
        ready = true;
        return true;
    };
    EXPECT_EQ(callMain(gEnv, program, *gErrors).end, MainRun::End::Failed);
    flushJava();
    EXPECT_FALSE(ready);
    EXPECT_THAT(slurp(errPath), HasSubstr("NoClassDefFoundError: vwtest/Missing"));
    EXPECT_THAT(gErrors->lines, ElementsAre(L"Error: Could not find the main class vwtest/Missing.\n \n"));
}

TEST_F(JavaHostTest, ClassWithoutStaticMainDescribesTheMissingMethod) {
    EXPECT_EQ(callMain(gEnv, JavaMain{L"vwtest/NoMain", {}}, *gErrors).end, MainRun::End::Failed);
    flushJava();
    EXPECT_THAT(slurp(errPath), HasSubstr("NoSuchMethodError"));
    EXPECT_THAT(gErrors->lines, IsEmpty()) << "216 only when no exception explains it";
}

TEST_F(JavaHostTest, ExceptionFromMainIsPrintedAndItsClassKept) {
    const MainRun run = callMain(gEnv, JavaMain{L"vwtest/Throws", {L"a", L"b"}}, *gErrors);
    EXPECT_EQ(run.end, MainRun::End::Threw);
    EXPECT_EQ(run.exceptionClass, L"java.lang.IllegalStateException");
    flushJava();
    const std::string err = slurp(errPath);
    EXPECT_THAT(err, HasSubstr("java.lang.IllegalStateException: thrown by main with 2 arguments"));
    EXPECT_THAT(err, HasSubstr("at vwtest.Throws.fail"));
}

TEST_F(JavaHostTest, FailureCheckReceivesTheStackTraceText) {
    std::vector<std::wstring> traces;
    JavaMain program{L"vwtest/Throws", {L"x"}};
    program.onUncaughtException = [&](const std::wstring& trace) { traces.push_back(trace); };
    EXPECT_EQ(callMain(gEnv, program, *gErrors).end, MainRun::End::Threw);
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_THAT(traces[0], HasSubstr(L"java.lang.IllegalStateException: thrown by main with 1 arguments"));
    EXPECT_THAT(traces[0], HasSubstr(L"at vwtest.Throws.main"));

    EXPECT_EQ(callMain(gEnv, JavaMain{L"vwtest/Echo", {}, {}, {}, {}, program.onUncaughtException}, *gErrors).end,
              MainRun::End::Returned);
    EXPECT_EQ(traces.size(), 1u) << "a main that returns normally reports nothing";
}

TEST_F(JavaHostTest, DefaultThreadStackSizeComesFromTheRuntime) {
    VmHost host(*gErrors);
    ASSERT_TRUE(host.loadVm(L"" VW_LIBJVM));
    EXPECT_EQ(host.vmThreadStackSize(), 1u << 20) << "OpenJDK 17 on x86-64 reports 1 MiB";
    host.stackSize() = 2u << 20;
    EXPECT_EQ(host.vmThreadStackSize(), 2u << 20) << "-Xss wins over the default";
}

TEST_F(JavaHostTest, CreationFailureReportsTheReason) {
    // The process already has its VM, so a second creation is refused with JNI_EEXIST.
    VmHost second(*gErrors);
    ASSERT_TRUE(second.loadVm(L"" VW_LIBJVM));
    second.appendOption(L"-Djava.class.path=.");
    EXPECT_FALSE(second.createVm());
    EXPECT_EQ(second.javaVm(), nullptr);
    EXPECT_THAT(gErrors->lines,
                ElementsAre(L"Error: JNI exception: failed to create the Java VM\nReason: VM already created.\n \n"));
}

TEST_F(JavaHostTest, LoadFailuresAreReported) {
    VmHost host(*gErrors);
    EXPECT_FALSE(host.loadVm(L"/nonexistent/libjvm.so"));
    EXPECT_FALSE(host.loadVm(L"libc.so.6"));  // loads, but is no VM library
    EXPECT_THAT(gErrors->lines,
                ElementsAre(L"Error: Failed to load Java VM library: /nonexistent/libjvm.so (errno = 126).\n \n",
                            L"Error: Windows exception: cannot find CreateJavaVM JNI (errno = 127).\n \n"));
}

}  // namespace
