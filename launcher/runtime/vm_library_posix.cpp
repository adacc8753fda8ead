#include "vm_library.h"

#include "ansi_text.h"

#include <dlfcn.h>

VmLibraryLoad loadVmLibrary(const std::wstring& path) {
    VmLibraryLoad load;
    void* module = dlopen(toAnsi(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        load.errorCode = 126;  // the Windows number for a module that cannot be found
        return load;
    }
    void* create = dlsym(module, "JNI_CreateJavaVM");
    void* defaults = create ? dlsym(module, "JNI_GetDefaultJavaVMInitArgs") : nullptr;
    if (!create || !defaults) {
        load.status = VmLibraryLoad::Status::EntryPointMissing;
        load.errorCode = 127;  // the Windows number for a missing export
        return load;
    }
    load.status = VmLibraryLoad::Status::Loaded;
    load.entries.createJavaVm = reinterpret_cast<CreateJavaVmEntry>(create);
    load.entries.getDefaultJavaVmInitArgs = reinterpret_cast<DefaultVmInitArgsEntry>(defaults);
    return load;
}
