#include "single_instance_win.h"

#include "instance_block.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace {

int replyValue(WPARAM wParam) { return static_cast<int>(static_cast<std::uint32_t>(wParam)); }

// All a later start does with the first instance: wait for its end and read its exit code. More would
// be refused where the first instance runs elevated and the later start does not.
constexpr DWORD kFirstInstanceAccess = PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;

}  // namespace

struct SingleInstance::Request {
    SingleInstance* owner;
    UINT message;
    DWORD requester;
    std::vector<std::wstring> arguments;
    HANDLE done;  // set by the pool once the callback has returned; owned by forwarders_
};

SingleInstance::SingleInstance(Forward forward, Submit submit, OpenFirst openFirst)
    : forward_(std::move(forward)), submit_(std::move(submit)), openFirst_(std::move(openFirst)) {}

HANDLE SingleInstance::openProcess(DWORD access, DWORD processId) { return OpenProcess(access, FALSE, processId); }

bool SingleInstance::submitToThreadPool(PTP_SIMPLE_CALLBACK callback, void* context) {
    return TrySubmitThreadpoolCallback(callback, context, nullptr) != 0;
}

SingleInstance::~SingleInstance() { shutDown(); }

UINT SingleInstance::messageId() const {
    return InstanceBlock::readField(block(), InstanceBlock::kMessageIdOffset);
}

bool SingleInstance::setUp(ConfigFile& file, const std::vector<std::wstring>& programArguments) {
    if (!file.mainPath()) return false;
    if (file.readPlain(ConfigKeys::kApplication, ConfigKeys::kApplicationType) == L"service") return true;
    if (file.readPlain(ConfigKeys::kApplication, ConfigKeys::kSingleInstance) != L"yes") return true;
    name_ = InstanceBlock::instanceName(*file.programPath());

    mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      static_cast<DWORD>(InstanceBlock::kSize), name_.c_str()));
    if (!mapping_) return true;
    first_ = GetLastError() == 0;
    view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!view_) {
        mapping_.reset();
        return true;
    }
    on_ = true;
    if (first_) {
        setUpFirstInstance();
        return true;
    }
    return handOver(programArguments);
}

void SingleInstance::setUpFirstInstance() {
    readyEvent_.reset(CreateEventW(nullptr, TRUE, FALSE, InstanceBlock::readyEventName(name_).c_str()));
    takenEvent_.reset(CreateEventW(nullptr, FALSE, FALSE, InstanceBlock::argumentsTakenEventName(name_).c_str()));
    closing_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const UINT message = RegisterWindowMessageW(name_.c_str());
    // Without the ready event a request could reach a VM that does not exist yet.
    if (message == 0 || !readyEvent_ || !closing_) return turnOff();
    InstanceBlock::writeField(block(), InstanceBlock::kMessageIdOffset, message);
    InstanceBlock::writeField(block(), InstanceBlock::kProcessIdOffset, GetCurrentProcessId());
    // The thread id goes straight into the block, where later starts read it.
    auto* threadIdField = reinterpret_cast<DWORD*>(block() + InstanceBlock::kListenerThreadOffset);
    listening_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    listener_.reset(CreateThread(nullptr, 0, listenerMain, this, 0, threadIdField));
    if (!listener_) return turnOff();
    // A later start posting before the listener has a message queue would fail: wait (bounded) for it.
    HANDLE waits[] = {listening_.get(), listener_.get()};
    WaitForMultipleObjects(2, waits, FALSE, 5000);
}

// Runs as if the key were off; the objects go, so later starts do not hand over to nobody.
void SingleInstance::turnOff() {
    on_ = false;
    view_.reset();
    mapping_.reset();
    readyEvent_.reset();
    takenEvent_.reset();
}

bool SingleInstance::handOver(const std::vector<std::wstring>& arguments) {
    if (InstanceBlock::encodedSize(arguments) > InstanceBlock::kArgumentsSize) return false;
    const DWORD firstProcessId = InstanceBlock::readField(block(), InstanceBlock::kProcessIdOffset);
    firstProcess_.reset(openFirst_(kFirstInstanceAccess, firstProcessId));

    // One later start at a time owns the argument block, until the first instance has copied it.
    Win::UniqueHandle mutex(CreateMutexW(nullptr, FALSE, InstanceBlock::handOverMutexName(name_).c_str()));
    Win::UniqueHandle taken(OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE,
                                       InstanceBlock::argumentsTakenEventName(name_).c_str()));
    if (mutex) {
        HANDLE waits[] = {mutex.get(), firstProcess_.get()};
        const DWORD got = WaitForMultipleObjects(firstProcess_ ? 2 : 1, waits, FALSE, INFINITE);
        if (got == WAIT_OBJECT_0 + 1) {
            // The first instance ended while this start waited its turn: it ends with its exit code.
            firstEnded_ = true;
            return true;
        }
        if (got != WAIT_OBJECT_0 && got != WAIT_ABANDONED_0) return false;
    }
    if (taken) ResetEvent(taken.get());

    // The reply is posted to this thread: its queue must exist before anyone can answer.
    MSG peek;
    PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE);
    InstanceBlock::encodeArguments(arguments, block() + InstanceBlock::kArgumentsOffset);
    const DWORD listener = InstanceBlock::readField(block(), InstanceBlock::kListenerThreadOffset);
    const bool posted = PostThreadMessageW(listener, messageId(), GetCurrentThreadId(), 0) != 0;
    if (posted && taken) {
        HANDLE waits[] = {taken.get(), firstProcess_.get()};
        // Without the first instance's process to watch, do not wait for ever.
        WaitForMultipleObjects(firstProcess_ ? 2 : 1, waits, FALSE, firstProcess_ ? INFINITE : 5000);
    }
    if (mutex) ReleaseMutex(mutex.get());
    return posted;
}

int SingleInstance::waitForFirstInstance() {
    if (firstEnded_) {
        DWORD code = 0;
        GetExitCodeProcess(firstProcess_.get(), &code);
        return static_cast<int>(code);
    }
    // Opened again for the query, so the wait does not depend on what the hand-over could open.
    const DWORD firstId = InstanceBlock::readField(block(), InstanceBlock::kProcessIdOffset);
    Win::UniqueHandle first(openFirst_(kFirstInstanceAccess, firstId));
    const bool watchable = static_cast<bool>(first);
    if (!watchable) first.reset(openFirst_(PROCESS_QUERY_LIMITED_INFORMATION, firstId));
    if (!first) return 0;
    const UINT message = messageId();
    DWORD code = 0;
    for (;;) {
        MSG msg;
        // The whole queue: the wait below wakes only for messages that arrive after this check.
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (msg.message == message) return replyValue(msg.wParam);
        // A signalled handle means the first instance has ended: its exit code is the answer even when
        // it is 259, the value that otherwise says "still running". Asked first, so a code read after
        // it is final.
        const bool ended = watchable && WaitForSingleObject(first.get(), 0) == WAIT_OBJECT_0;
        if (!GetExitCodeProcess(first.get(), &code) || ended || code != STILL_ACTIVE) return static_cast<int>(code);
        // Woken by the reply or by the first instance's end; a handle that cannot be waited on is
        // queried again after a while instead.
        HANDLE process = first.get();
        MsgWaitForMultipleObjects(watchable ? 1 : 0, &process, FALSE, watchable ? INFINITE : 100, QS_ALLINPUT);
    }
}

DWORD WINAPI SingleInstance::listenerMain(void* self) {
    static_cast<SingleInstance*>(self)->listen();
    return 0;
}

void SingleInstance::listen() {
    const UINT message = messageId();
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // creates this thread's queue
    SetEvent(listening_.get());
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message != message) continue;
        // Copied out at once, so the later start can let the next one write the block.
        auto request = std::make_unique<Request>(Request{this, message, static_cast<DWORD>(msg.wParam),
            InstanceBlock::decodeArguments(block() + InstanceBlock::kArgumentsOffset), nullptr});
        if (takenEvent_) SetEvent(takenEvent_.get());
        // A pooled thread serves it: one left idle by an earlier request wakes at once, where a new
        // thread takes longer to start than the rest of the hand-over; the pool adds threads while
        // others are busy, so requests still run side by side.
        Win::UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!done) continue;
        const HANDLE doneEvent = done.get();
        request->done = doneEvent;
        // Known to the clean-up before the callback can run, so the VM cannot go while it attaches.
        if (!keepForwarder(std::move(done))) continue;
        if (!submit_(forwardingCallback, request.get())) {
            SetEvent(doneEvent);  // nothing will run: no one may wait for it, and the next request drops it
            continue;
        }
        request.release();
    }
}

bool SingleInstance::keepForwarder(Win::UniqueHandle done) {
    std::lock_guard<std::mutex> hold(forwardersLock_);
    // Closing is set before the clean-up takes the list: a request seen after that is not taken.
    if (WaitForSingleObject(closing_.get(), 0) == WAIT_OBJECT_0) return false;
    // Requests served are let go, so a long run does not collect handles.
    auto ended = [](const Win::UniqueHandle& t) { return WaitForSingleObject(t.get(), 0) == WAIT_OBJECT_0; };
    forwarders_.erase(std::remove_if(forwarders_.begin(), forwarders_.end(), ended), forwarders_.end());
    forwarders_.push_back(std::move(done));
    return true;
}

void SingleInstance::waitForForwarders() {
    std::vector<Win::UniqueHandle> pending;
    {
        std::lock_guard<std::mutex> hold(forwardersLock_);
        pending.swap(forwarders_);
    }
    for (const Win::UniqueHandle& done : pending) WaitForSingleObject(done.get(), INFINITE);
}

void CALLBACK SingleInstance::forwardingCallback(PTP_CALLBACK_INSTANCE instance, void* parameter) {
    const std::unique_ptr<Request> request(static_cast<Request*>(parameter));
    // Set only once this callback has returned, so the clean-up never waits for less.
    SetEventWhenCallbackReturns(instance, request->done);
    // It may wait for main and for secondaryMain as long as they take: other requests get other threads.
    CallbackMayRunLong(instance);
    request->owner->forward(*request);
}

void SingleInstance::forward(const Request& request) {
    // Closing comes first: once it is set, no hand-over may reach the VM, even one that is ready.
    HANDLE waits[] = {closing_.get(), readyEvent_.get()};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
    const UINT message = request.message;
    const DWORD requester = request.requester;
    forward_(request.arguments, [message, requester](int result) {
        PostThreadMessageW(requester, message, static_cast<WPARAM>(static_cast<std::uint32_t>(result)), 0);
    });
}

void SingleInstance::signalReady() {
    if (readyEvent_) SetEvent(readyEvent_.get());
}

void SingleInstance::stopForwarding() {
    if (!closing_) return;
    SetEvent(closing_.get());
    waitForForwarders();
}

void SingleInstance::shutDown() {
    if (closing_) SetEvent(closing_.get());
    if (on_ && first_ && listener_) {
        const DWORD listenerId = GetThreadId(listener_.get());
        DWORD code = STILL_ACTIVE;
        // The listener may not have its queue yet: post until it has ended.
        do {
            PostThreadMessageW(listenerId, WM_QUIT, 0, 0);
            WaitForSingleObject(listener_.get(), 10);
        } while (GetExitCodeThread(listener_.get(), &code) && code == STILL_ACTIVE);
        listener_.reset();
    }
    waitForForwarders();  // after the listener, which adds to them
    closing_.reset();
    view_.reset();
    mapping_.reset();
    readyEvent_.reset();
    takenEvent_.reset();
    firstProcess_.reset();
    on_ = false;
}
