#pragma once
// The Java runtime inside the launcher's process: the loaded VM library, the option list, the stack
// size of the virtual-machine thread, and the virtual machine itself. The JNIEnv belongs to the
// virtual-machine thread; the JavaVM pointer stays for the clean-up.
#include "error_lines.h"
#include "java_invoke.h"
#include "vm_library.h"

#include <jni.h>

#include <cstdint>
#include <string>
#include <vector>

class VmHost {
public:
    explicit VmHost(ErrorLines& errors) : errors_(errors) {}
    VmHost(const VmHost&) = delete;
    VmHost& operator=(const VmHost&) = delete;

    // Loads the library and resolves both entry points; prints 222 or 202 with 212 on failure.
    bool loadVm(const std::wstring& vmLibraryPath);
    void setEntryPoints(const VmEntryPoints& entries) { entries_ = entries; }

    // Converted to ANSI text and appended, in the order the VM receives them.
    void appendOption(const std::wstring& option);
    const std::vector<std::string>& options() const { return options_; }

    // From the last "-Xss" option; 0 = ask the runtime for its default when the thread starts.
    std::uint64_t& stackSize() { return stackSize_; }

    // On the virtual-machine thread: JNI_CreateJavaVM with the options; prints 203 on failure.
    bool createVm();
    // createVm, then the "Output File"/"Error File" redirection; false only when creation failed.
    bool startJava(const JavaMain& program);
    // Calls main and always detaches this thread, so DestroyJavaVM cannot wait for it for ever.
    bool invokeMain(const JavaMain& program);

    // Starts the virtual-machine thread (startJava, then invokeMain) and waits: 0 on success, 1 else.
    int runVmThread(const JavaMain& program);
    // Afterwards, how main ended, as a line for the launcher's log: "main returned", "main ended with
    // an uncaught java.lang.IllegalStateException" or "main not called", and whether the thread then
    // failed to detach (which makes the run a failure).
    std::wstring mainEnding() const;
    const MainRun& mainRun() const { return mainRun_; }
    bool detachFailed() const { return detachFailed_; }

    // The stack size the virtual-machine thread gets: the -Xss one, else the runtime's default.
    std::uint64_t vmThreadStackSize();

    JavaVM* javaVm() const { return vm_; }
    // Waits for the last non-daemon Java thread; no-op without a VM.
    void destroyVm();

private:
    ErrorLines& errors_;
    VmEntryPoints entries_;
    std::vector<std::string> options_;
    std::uint64_t stackSize_ = 0;
    JavaVM* vm_ = nullptr;
    JNIEnv* env_ = nullptr;
    MainRun mainRun_;
    bool detachFailed_ = false;
};
