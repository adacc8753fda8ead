#pragma once
// The full form of a path (GetFullPathNameW: made absolute, "." and ".." resolved, '/' turned into
// '\'), or the path itself when it has none; and whether two paths name the same place, by their full
// forms compared without regard to case, as the file system does. Windows trees only.
#include <windows.h>

#include <string>

namespace Win {

inline std::wstring fullPathOf(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed) return path;
    full.resize(length);
    return full;
}

inline bool samePath(const std::wstring& a, const std::wstring& b) {
    const std::wstring fullA = fullPathOf(a);
    const std::wstring fullB = fullPathOf(b);
    return CompareStringOrdinal(fullA.c_str(), static_cast<int>(fullA.size()), fullB.c_str(),
                                static_cast<int>(fullB.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace Win
