// Whole processes over the real JVM: exit codes, error lines, and that the process ends when it
// should (a failure after creation must not leave DestroyJavaVM waiting for an attached thread).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using ::testing::EndsWith;
using ::testing::HasSubstr;

namespace {

struct Outcome {
    int exitCode = -1000;  // -1000: did not end by itself within the bound and was killed
    std::string output;
    std::string errors;  // stderr: the VM's own prints, then how main ended
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string tempPath(const std::string& name) {
    return "/tmp/vw-run-test-" + std::to_string(getpid()) + "-" + name;
}

// Runs the driver with stdout in a file; a hang is cut off after a generous bound (a hang detector,
// not a speed check).
Outcome run(std::vector<std::string> args) {
    args.insert(args.begin(), VW_JAVA_RUN);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string outFile = tempPath("stdout.txt");
    const std::string errFile = tempPath("stderr.txt");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    Outcome outcome;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) return outcome;
    posix_spawn_file_actions_destroy(&actions);

    int status = 0;
    bool ended = false;
    for (int tick = 0; tick < 1200 && !ended; ++tick) {  // at most 120 s
        ended = waitpid(pid, &status, WNOHANG) == pid;
        if (!ended) usleep(100 * 1000);
    }
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    } else if (WIFEXITED(status)) {
        outcome.exitCode = WEXITSTATUS(status);
    }
    outcome.output = slurp(outFile);
    outcome.errors = slurp(errFile);
    std::remove(outFile.c_str());
    std::remove(errFile.c_str());
    return outcome;
}

constexpr int kFailure = 255;  // -1 as the process sees it

TEST(JavaRun, MainReturnsGivesZero) {
    const std::string out = tempPath("echo.txt");
    Outcome o = run({VW_LIBJVM, "vwtest/Echo", "-out", out, "--", "a", "b c"});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.output, "");
    EXPECT_THAT(o.errors, EndsWith("err:2\nmain returned\n"));
    EXPECT_EQ(slurp(out), "a\nb c\n");
    std::remove(out.c_str());
}

TEST(JavaRun, FailuresAfterCreationEndPromptlyWithFailure) {
    Outcome missing = run({VW_LIBJVM, "vwtest/Missing"});
    EXPECT_EQ(missing.exitCode, kFailure);
    EXPECT_EQ(missing.output, "Error: Could not find the main class vwtest/Missing.\n \n");
    EXPECT_THAT(missing.errors, EndsWith("\nmain not called\n"));

    const std::string err = tempPath("nomain.txt");
    Outcome noMain = run({VW_LIBJVM, "vwtest/NoMain", "-err", err});
    EXPECT_EQ(noMain.exitCode, kFailure);
    EXPECT_THAT(slurp(err), HasSubstr("NoSuchMethodError"));
    std::remove(err.c_str());
}

TEST(JavaRun, UncaughtExceptionGoesToTheErrorFileIsNamedAndStillSucceeds) {
    const std::string err = tempPath("throws.txt");
    Outcome o = run({VW_LIBJVM, "vwtest/Throws", "-err", err, "--", "1"});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_THAT(o.errors, EndsWith("main ended with an uncaught java.lang.IllegalStateException\n"));
    EXPECT_THAT(slurp(err), HasSubstr("IllegalStateException: thrown by main with 1 arguments"));
    std::remove(err.c_str());
}

TEST(JavaRun, ProcessLivesUntilTheLastNonDaemonThreadEnds) {
    const std::string marker = tempPath("lingers.txt");
    std::remove(marker.c_str());
    Outcome o = run({VW_LIBJVM, "vwtest/Lingers", "--", marker});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(slurp(marker), "written after main returned") << "the process ended before the thread did";
    std::remove(marker.c_str());
}

TEST(JavaRun, UnknownOptionFailsCreation) {
    Outcome o = run({VW_LIBJVM, "vwtest/Echo", "-params", "-Xms8m -XXbogus"});
    EXPECT_EQ(o.exitCode, kFailure);
    EXPECT_THAT(o.output, HasSubstr("Error: JNI exception: failed to create the Java VM\nReason: unknown.\n \n"));
}

TEST(JavaRun, PercentHeapIsAcceptedByTheRealVm) {
    const std::string out = tempPath("heap.txt");
    Outcome o = run({VW_LIBJVM, "vwtest/Echo", "-out", out, "-params", "-Xmx1:64P -Xss2m \"-Dx=a b\"", "--", "ok"});
    EXPECT_EQ(o.exitCode, 0) << o.output;
    EXPECT_EQ(slurp(out), "ok\n");
    std::remove(out.c_str());
}

TEST(JavaRun, LibraryThatCannotLoad) {
    Outcome o = run({"/nonexistent/libjvm.so", "vwtest/Echo"});
    EXPECT_EQ(o.exitCode, kFailure);
    EXPECT_EQ(o.output, "Error: Failed to load Java VM library: /nonexistent/libjvm.so (errno = 126).\n \n");
}

}  // namespace
