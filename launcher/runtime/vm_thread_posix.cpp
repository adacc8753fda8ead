#include "vm_thread.h"

#include <pthread.h>
#include <unistd.h>

namespace {

struct ThreadCall {
    const std::function<int()>* body;
    int result;
};

void* threadMain(void* parameter) {
    auto* call = static_cast<ThreadCall*>(parameter);
    call->result = (*call->body)();
    return nullptr;
}

}  // namespace

int runOnVmThread(std::uint64_t stackSize, const std::function<int()>& body) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (stackSize > 0) {
        const std::uint64_t page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
        pthread_attr_setstacksize(&attributes, static_cast<size_t>((stackSize + page - 1) / page * page));
    }
    ThreadCall call{&body, 1};
    pthread_t thread;
    const bool started = pthread_create(&thread, &attributes, threadMain, &call) == 0;
    pthread_attr_destroy(&attributes);
    if (!started) return body();
    pthread_join(thread, nullptr);
    return call.result;
}
