#include "vm_host.h"

#include "ansi_text.h"
#include "jdk11_init_args.h"
#include "vm_options.h"
#include "vm_thread.h"

#include <utility>

bool VmHost::loadVm(const std::wstring& vmLibraryPath) {
    const VmLibraryLoad load = loadVmLibrary(vmLibraryPath);
    switch (load.status) {
    case VmLibraryLoad::Status::Loaded:
        entries_ = load.entries;
        return true;
    case VmLibraryLoad::Status::LibraryNotLoaded:
        errors_.print(load.thirtyTwoBit ? LauncherText::VmLibraryThirtyTwoBit : LauncherText::VmLibraryLoadFailed,
                      {vmLibraryPath, load.errorCode});
        return false;
    case VmLibraryLoad::Status::EntryPointMissing:
        errors_.printWindowsError(LauncherText::CreateJavaVmMissing, load.errorCode);
        return false;
    }
    return false;
}

void VmHost::appendOption(const std::wstring& option) { options_.push_back(toAnsi(option)); }

bool VmHost::createVm() {
    std::vector<JavaVMOption> options(options_.size());
    for (std::size_t i = 0; i < options_.size(); ++i) {
        options[i].optionString = const_cast<char*>(options_[i].c_str());
        options[i].extraInfo = nullptr;
    }
    JavaVMInitArgs args{};
    args.version = JNI_VERSION_1_2;
    args.nOptions = static_cast<jint>(options.size());
    args.options = options.data();
    args.ignoreUnrecognized = JNI_FALSE;  // an option the VM does not know must fail loudly

    const jint result = entries_.createJavaVm
                            ? entries_.createJavaVm(&vm_, reinterpret_cast<void**>(&env_), &args)
                            : JNI_ERR;
    if (result == JNI_OK) return true;
    vm_ = nullptr;
    env_ = nullptr;
    const int reason = createFailureReasonId(result);
    errors_.print(LauncherText::JniExceptionReason, {errors_.text(LauncherText::CreateJavaVmFailed),
                                                    reason ? errors_.text(static_cast<unsigned>(reason)) : std::wstring()});
    return false;
}

bool VmHost::startJava(const JavaMain& program) {
    if (!createVm()) return false;
    struct Target {
        JavaStream stream;
        std::wstring path;
        bool append;
    };
    // One file named for both gets one stream: two would write over each other.
    const Target targets[] = {
        {program.errorIsOutput ? JavaStream::Both : JavaStream::Out, program.outputFile, program.appendOutput},
        {JavaStream::Err, program.errorIsOutput ? std::wstring() : program.errorFile, program.appendError}};
    for (const Target& target : targets) {
        std::wstring reason;
        if (!target.path.empty() && !redirectStream(env_, target.stream, target.path, target.append, &reason) &&
            program.onStreamKept)
            program.onStreamKept(target.stream, target.path, reason);
    }
    return true;
}

bool VmHost::invokeMain(const JavaMain& program) {
    mainRun_ = callMain(env_, program, errors_);
    detachFailed_ = vm_->DetachCurrentThread() != JNI_OK;
    env_ = nullptr;
    return mainRun_.end != MainRun::End::Failed && !detachFailed_;
}

std::wstring VmHost::mainEnding() const {
    std::wstring text;
    switch (mainRun_.end) {
    case MainRun::End::Failed:
    case MainRun::End::Withheld:
        text = L"main not called";
        break;
    case MainRun::End::Returned:
        text = L"main returned";
        break;
    case MainRun::End::Threw:
        text = L"main ended with an uncaught " +
               (mainRun_.exceptionClass.empty() ? std::wstring(L"exception") : mainRun_.exceptionClass);
        break;
    }
    if (detachFailed_) text += L"; its thread could not detach from the virtual machine";
    return text;
}

std::uint64_t VmHost::vmThreadStackSize() {
    if (stackSize_ != 0 || !entries_.getDefaultJavaVmInitArgs) return stackSize_;
    // Some runtimes answer a 1.1 record with an error code yet fill in the stack size: read it anyway.
    Jdk11InitArgs defaults{};
    defaults.version = JNI_VERSION_1_1;
    entries_.getDefaultJavaVmInitArgs(&defaults);
    if (defaults.javaStackSize > 0) stackSize_ = static_cast<std::uint64_t>(defaults.javaStackSize);
    return stackSize_;
}

int VmHost::runVmThread(const JavaMain& program) {
    return runOnVmThread(vmThreadStackSize(), [&] {
        if (!startJava(program)) return 1;
        return invokeMain(program) ? 0 : 1;
    });
}

void VmHost::destroyVm() {
    if (!vm_) return;
    vm_->DestroyJavaVM();
    vm_ = nullptr;
}
