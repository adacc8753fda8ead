#pragma once
// The calls other threads make into a running virtual machine: the service stop thread's stop() and
// the single-instance forwarding thread's secondaryMain(String[]). Each attaches the calling thread,
// prints any exception through the VM (ExceptionDescribe) and always detaches again. A thread that
// cannot attach does nothing more.
#include <jni.h>

#include <functional>
#include <string>
#include <vector>

// What became of a stop() call, for the launcher log.
struct JavaStopOutcome {
    enum class Kind { NotAttached, ClassNotFound, MethodNotFound, Returned, Threw };
    Kind kind = Kind::NotAttached;
    std::wstring exceptionClass;  // Threw: the class of what stop() threw, as Java names it
};

// Calls the main class's static stop()V. A missing class or method leaves the lookup's error, which
// is printed, as is anything stop() throws.
JavaStopOutcome callJavaStop(JavaVM* vm, const std::wstring& mainClass);

// Calls the main class's static secondaryMain with `arguments`, the void form "([Ljava/lang/String;)V"
// when it exists, else the int form. `reply` gets 0 before a void call, or the int form's result
// after its call (0 when it threw). No reply when neither form exists, the array cannot be built, or
// the thread cannot attach.
void callSecondaryMain(JavaVM* vm, const std::wstring& mainClass, const std::vector<std::wstring>& arguments,
                       const std::function<void(int result)>& reply);
