#pragma once
// Single instance per logon session for an ordinary (non-service) run with "Single Instance" yes.
// The first instance maps the named hand-over block, registers the hand-over message, creates the
// ready event and runs a listener thread; every later start of the same installed program writes
// its arguments into the block, posts the message to the listener and waits for the reply (the
// result of secondaryMain) or for the first instance to end.
#include "config_file.h"
#include "unique_handle_win.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

class SingleInstance {
public:
    // Called on a forwarding thread of the first instance, once main is about to run, with the
    // arguments a later start handed over; `reply` sends that start its exit code.
    using Forward = std::function<void(const std::vector<std::wstring>& arguments,
                                       const std::function<void(int)>& reply)>;

    // Hands a request's callback to a pooled thread; false when it could not. Tests pass their own to
    // choose when the callback runs relative to the clean-up.
    using Submit = std::function<bool(PTP_SIMPLE_CALLBACK callback, void* context)>;
    static bool submitToThreadPool(PTP_SIMPLE_CALLBACK callback, void* context);

    // Opens the first instance's process for a later start's waits (OpenProcess). Tests pass one that
    // grants only what Windows grants a standard user over an elevated first instance.
    using OpenFirst = std::function<HANDLE(DWORD access, DWORD processId)>;
    static HANDLE openProcess(DWORD access, DWORD processId);

    explicit SingleInstance(Forward forward, Submit submit = submitToThreadPool, OpenFirst openFirst = openProcess);
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    ~SingleInstance();

    // The single-instance step. False only when a later start could not hand its arguments over
    // (they do not fit, or the message could not be posted) or there is no configuration path.
    bool setUp(ConfigFile& file, const std::vector<std::wstring>& programArguments);

    bool on() const { return on_; }
    bool isSecondInstance() const { return on_ && !first_; }

    // A later start's run step: the reply, else the first instance's exit code (0 if it cannot be opened).
    int waitForFirstInstance();

    // Just before main runs: from now on requests are served. Nothing when single instance is off.
    void signalReady();

    // Before the VM goes: no later hand-over reaches Java (its start then waits for this process to
    // end and takes its exit code), and those already in Java have returned.
    void stopForwarding();

    // Stops the listener and waits for every forwarding thread (they use this object), then unmaps
    // the block and closes the objects.
    void shutDown();

private:
    struct Request;
    static DWORD WINAPI listenerMain(void* self);
    static void CALLBACK forwardingCallback(PTP_CALLBACK_INSTANCE instance, void* request);
    void forward(const Request& request);

    void setUpFirstInstance();
    void turnOff();
    bool handOver(const std::vector<std::wstring>& arguments);
    void listen();
    bool keepForwarder(Win::UniqueHandle done);
    void waitForForwarders();
    unsigned char* block() const { return static_cast<unsigned char*>(view_.get()); }
    UINT messageId() const;

    Forward forward_;
    Submit submit_;
    OpenFirst openFirst_;
    std::wstring name_;
    bool on_ = false;
    bool first_ = false;
    Win::UniqueHandle mapping_;
    Win::UniqueMappedView view_;
    Win::UniqueHandle readyEvent_;
    Win::UniqueHandle takenEvent_;
    Win::UniqueHandle listening_;  // set once the listener's message queue exists
    Win::UniqueHandle listener_;
    Win::UniqueHandle closing_;  // set when hand-overs may no longer reach Java
    std::mutex forwardersLock_;
    std::vector<Win::UniqueHandle> forwarders_;  // per request, set once its callback has returned
    Win::UniqueHandle firstProcess_;  // later start: the first instance, while waiting for its reply
    bool firstEnded_ = false;         // later start: the first instance ended before the hand-over
};
