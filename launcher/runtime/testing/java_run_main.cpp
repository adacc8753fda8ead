// A minimal native run step over the runtime host, for tests that watch a whole process:
//   launcher_java_run <vm library> <main class> [-out F] [-err F] [-params TEXT] [--] [arguments...]
// Exit code: 0 when main was called and the thread detached, -1 otherwise; error lines on stdout,
// and how main ended (the launcher's log line) as the last line on stderr.
#include "ansi_text.h"
#include "recording_error_lines.h"
#include "vm_host.h"
#include "vm_options.h"

#include <cstdio>
#include <string>

namespace {

class StdoutErrorLines : public RecordingErrorLines {
public:
    void printMessage(const std::wstring& message) override {
        RecordingErrorLines::printMessage(message);
        std::fputs(toAnsi(lines.back()).c_str(), stdout);
        std::fflush(stdout);
    }
};

std::wstring wide(const char* s) { return fromAnsi(s); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    StdoutErrorLines errors;
    VmHost host(errors);
    JavaMain program;
    program.mainClass = wide(argv[2]);
    std::wstring parameters;
    int i = 3;
    for (; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "-out") program.outputFile = wide(argv[i + 1]);
        else if (flag == "-err") program.errorFile = wide(argv[i + 1]);
        else if (flag == "-params") parameters = wide(argv[i + 1]);
        else break;
    }
    if (i < argc && std::string(argv[i]) == "--") ++i;
    for (; i < argc; ++i) program.arguments.push_back(wide(argv[i]));

    if (!host.loadVm(wide(argv[1]))) return -1;
    host.appendOption(L"-Djava.class.path=" VW_TEST_CLASSES);
    const MemoryFigures memory{std::uint64_t(8) << 30, std::uint64_t(8) << 30};
    for (const std::wstring& option : splitVmParameters(parameters, memory, host.stackSize()))
        host.appendOption(option);

    const int code = host.runVmThread(program) == 0 ? 0 : -1;
    std::fputs((toAnsi(host.mainEnding()) + "\n").c_str(), stderr);
    host.destroyVm();
    return code;
}
