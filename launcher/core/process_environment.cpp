#include "process_environment.h"

std::wstring cutPathComponents(std::wstring_view path, int count) {
    for (int i = 0; i < count; ++i) {
        const std::size_t slash = path.rfind(L'\\');
        if (slash != std::wstring_view::npos) path = path.substr(0, slash);
    }
    return std::wstring(path);
}

std::wstring jvmHomeOf(std::wstring_view vmLibraryPath) { return cutPathComponents(vmLibraryPath, 3); }

std::wstring searchPathText(std::wstring_view systemPath, std::wstring_view vmLibraryPath) {
    std::wstring text(systemPath);
    if (!text.empty() && text.back() != L';') text += L';';
    text += L"%Path%;";
    text += cutPathComponents(vmLibraryPath, 2);
    return text;
}

std::wstring fileNameOf(std::wstring_view path) {
    const std::size_t slash = path.rfind(L'\\');
    return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}
