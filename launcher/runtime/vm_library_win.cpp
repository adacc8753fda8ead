#include "vm_library.h"

#include <windows.h>

#include "file_head.h"
#include "pe_image.h"

VmLibraryLoad loadVmLibrary(const std::wstring& path) {
    VmLibraryLoad load;
    // Deliberately not owned by a RAII handle: the library must outlive every Java thread.
    HMODULE module = LoadLibraryW(path.c_str());
    if (!module) {
        load.errorCode = GetLastError();
        if (load.errorCode == ERROR_BAD_EXE_FORMAT) {
            auto machine = PeImage::machine(readFileHead(path, PeImage::kHeaderBytes));
            load.thirtyTwoBit = machine && *machine == PeImage::kMachineI386;
        }
        return load;
    }
    auto create = GetProcAddress(module, "JNI_CreateJavaVM");
    auto defaults = create ? GetProcAddress(module, "JNI_GetDefaultJavaVMInitArgs") : nullptr;
    if (!create || !defaults) {
        load.status = VmLibraryLoad::Status::EntryPointMissing;
        load.errorCode = GetLastError();
        return load;
    }
    load.status = VmLibraryLoad::Status::Loaded;
    load.entries.createJavaVm = reinterpret_cast<CreateJavaVmEntry>(reinterpret_cast<void*>(create));
    load.entries.getDefaultJavaVmInitArgs =
        reinterpret_cast<DefaultVmInitArgsEntry>(reinterpret_cast<void*>(defaults));
    return load;
}
