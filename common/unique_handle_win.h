#pragma once
// One RAII owner for every kind of Win32 handle. Move-only (a copy that closes twice is the classic
// bug); get/reset/release; the invalid value is named per kind; closing keeps GetLastError() intact
// so a failure path can still report the error that led to it.
#include <windows.h>
#include <winsock2.h>
#include <winsvc.h>

#include <utility>

namespace Win {

// Traits: `using Type`, `static Type invalid()`, `static void close(Type)`.
template <typename Traits>
class UniqueAny {
    using T = typename Traits::Type;

public:
    UniqueAny() = default;
    explicit UniqueAny(T value) : value_(value) {}
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueAny() { reset(); }

    T get() const { return value_; }
    bool valid() const { return value_ != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    T release() {
        T v = value_;
        value_ = Traits::invalid();
        return v;
    }

    void reset(T value = Traits::invalid()) {
        if (value_ != Traits::invalid()) {
            DWORD saved = GetLastError();
            Traits::close(value_);
            SetLastError(saved);
        }
        value_ = value;
    }

    // For out-parameters: frees what is held and hands out the slot.
    T* put() {
        reset();
        return &value_;
    }

private:
    T value_ = Traits::invalid();
};

// One line per handle kind: its type, its invalid value, how it is closed.
#define VW_HANDLE_KIND(Name, HandleType, InvalidValue, CloseCall)            \
    struct Name##Traits {                                                    \
        using Type = HandleType;                                             \
        static Type invalid() { return InvalidValue; }                       \
        static void close(Type h) { CloseCall(h); }                          \
    };                                                                       \
    using Name = UniqueAny<Name##Traits>;

VW_HANDLE_KIND(UniqueHandle, HANDLE, nullptr, ::CloseHandle)
VW_HANDLE_KIND(UniqueFileHandle, HANDLE, INVALID_HANDLE_VALUE, ::CloseHandle)
VW_HANDLE_KIND(UniqueHwnd, HWND, nullptr, ::DestroyWindow)
VW_HANDLE_KIND(UniqueHmenu, HMENU, nullptr, ::DestroyMenu)
VW_HANDLE_KIND(UniqueHicon, HICON, nullptr, ::DestroyIcon)
VW_HANDLE_KIND(UniqueGdiObject, HGDIOBJ, nullptr, ::DeleteObject)
VW_HANDLE_KIND(UniqueSocket, SOCKET, INVALID_SOCKET, ::closesocket)
VW_HANDLE_KIND(UniqueHkey, HKEY, nullptr, ::RegCloseKey)
VW_HANDLE_KIND(UniqueModule, HMODULE, nullptr, ::FreeLibrary)
VW_HANDLE_KIND(UniqueMappedView, void*, nullptr, ::UnmapViewOfFile)
VW_HANDLE_KIND(UniqueServiceHandle, SC_HANDLE, nullptr, ::CloseServiceHandle)
VW_HANDLE_KIND(UniqueFindHandle, HANDLE, INVALID_HANDLE_VALUE, ::FindClose)
VW_HANDLE_KIND(UniqueHcursor, HCURSOR, nullptr, ::DestroyCursor)
VW_HANDLE_KIND(UniqueEventSource, HANDLE, nullptr, ::DeregisterEventSource)
VW_HANDLE_KIND(UniqueLocalMemory, HLOCAL, nullptr, ::LocalFree)

#undef VW_HANDLE_KIND

}  // namespace Win
