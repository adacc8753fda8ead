// The floor of the launcher-overhead benchmark: a console program that does nothing but report how
// long after its creation its main began, measured as the stand-in runtime measures the launcher.
// With --record FILE the figure is appended to FILE, as the stand-in appends the launcher's to its
// record, so both programs can run with their output in the same place: under Wine a standard
// output that is a pipe costs a start-up far more than one that is /dev/null.
// With --message-queue it also does what a later start cannot do without: load user32 and make the
// thread's message queue, which the hand-over's reply needs. user32 is loaded only then, so the plain
// floor stays a program that never loads it.
#include "process_age_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

void makeMessageQueue() {
    using PeekMessageFn = BOOL(WINAPI*)(MSG*, HWND, UINT, UINT, UINT);
    HMODULE user32 = LoadLibraryW(L"user32.dll");
    if (!user32) return;
    auto* found = reinterpret_cast<void*>(GetProcAddress(user32, "PeekMessageW"));
    auto peek = reinterpret_cast<PeekMessageFn>(found);
    MSG message;
    if (peek) peek(&message, nullptr, 0, 0, PM_NOREMOVE);
}

}  // namespace

int main(int argc, char** argv) {
    const long long startup = microsecondsSinceProcessStart();
    int next = 1;
    if (argc > 2 && std::strcmp(argv[1], "--record") == 0) {
        std::FILE* record = std::fopen(argv[2], "a");
        // A figure that cannot be written must not pass for a run that was measured.
        if (!record || std::fprintf(record, "startup_us=%lld\n", startup) < 0 || std::fclose(record) != 0) return 1;
        next = 3;
    } else {
        std::printf("startup_us=%lld\n", startup);
    }
    if (argc > next && std::strcmp(argv[next], "--message-queue") == 0) makeMessageQueue();
    return 0;
}
