// The floor of the launcher-overhead benchmark: a console program that does nothing but report how
// long after its creation its main began, measured as the stand-in runtime measures the launcher.
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
    std::printf("startup_us=%lld\n", microsecondsSinceProcessStart());
    if (argc > 1 && std::strcmp(argv[1], "--message-queue") == 0) makeMessageQueue();
    return 0;
}
