#pragma once
// Loading a Java runtime's virtual-machine library and resolving its two invocation entry points.
// One seam, two halves: LoadLibraryW/GetProcAddress in Windows builds, dlopen/dlsym natively, so the
// JNI code above it runs against the machine's real libjvm.so in tests.
#include <jni.h>

#include <string>

using CreateJavaVmEntry = jint(JNICALL*)(JavaVM**, void**, void*);
using DefaultVmInitArgsEntry = jint(JNICALL*)(void*);

struct VmEntryPoints {
    CreateJavaVmEntry createJavaVm = nullptr;
    DefaultVmInitArgsEntry getDefaultJavaVmInitArgs = nullptr;
};

struct VmLibraryLoad {
    enum class Status { Loaded, LibraryNotLoaded, EntryPointMissing };
    Status status = Status::LibraryNotLoaded;
    unsigned long errorCode = 0;  // the system's error number for the failed step
    bool thirtyTwoBit = false;    // not loaded because the file is a 32-bit library (this program is 64-bit)
    VmEntryPoints entries;
};

// The library stays loaded for the rest of the process: the virtual machine never goes away before it.
VmLibraryLoad loadVmLibrary(const std::wstring& path);
