#include "vm_thread.h"

#include "unique_handle_win.h"

namespace {

DWORD WINAPI threadMain(void* parameter) {
    const auto& body = *static_cast<const std::function<int()>*>(parameter);
    return static_cast<DWORD>(body());
}

}  // namespace

int runOnVmThread(std::uint64_t stackSize, const std::function<int()>& body) {
    // A reservation, so the thread gets exactly the stack Java asked for without committing it all.
    Win::UniqueHandle thread(CreateThread(nullptr, static_cast<SIZE_T>(stackSize), threadMain,
                                          const_cast<std::function<int()>*>(&body),
                                          stackSize ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, nullptr));
    if (!thread) return body();
    WaitForSingleObject(thread.get(), INFINITE);
    DWORD code = 1;
    GetExitCodeThread(thread.get(), &code);
    return static_cast<int>(code);
}
