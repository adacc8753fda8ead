#include "menu_item_names_win.h"

#include <initguid.h>  // this file alone defines the service's ids

#include <objbase.h>
#include <oleacc.h>

#include "unique_handle_win.h"

namespace {

// ole32.dll and oleacc.dll are loaded by name at run time, not imported: an import would keep them
// mapped for the tray's whole life. The service's class comes straight from oleacc.dll rather than
// through COM's lookup, so that unloading it is ours to do: a DLL that COM loaded can stay mapped
// after the last uninitialise (seen under Wine), and ole32.dll with it.
class AccessibilityMenuItemNames final : public MenuItemNames {
public:
    AccessibilityMenuItemNames()
        : ole32_(LoadLibraryExW(L"ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)),
          oleacc_(LoadLibraryExW(L"oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        using Initialise = HRESULT(WINAPI*)(LPVOID, DWORD);
        using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, LPVOID*);
        const auto initialise = entry<Initialise>(ole32_, "CoInitializeEx");
        const auto getClassObject = entry<GetClassObject>(oleacc_, "DllGetClassObject");
        uninitialise_ = entry<void(WINAPI*)()>(ole32_, "CoUninitialize");
        if (!initialise || !getClassObject || !uninitialise_) return;
        // S_FALSE too: each success needs its own uninitialise.
        joinedApartment_ = SUCCEEDED(initialise(nullptr, COINIT_APARTMENTTHREADED));
        IClassFactory* factory = nullptr;
        const HRESULT found = getClassObject(CLSID_AccPropServices, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        if (FAILED(found) || !factory) return;
        factory->CreateInstance(nullptr, IID_IAccPropServices, reinterpret_cast<void**>(&service_));
        factory->Release();
    }
    ~AccessibilityMenuItemNames() override {
        if (service_) service_->Release();
        if (joinedApartment_) uninitialise_();
    }
    AccessibilityMenuItemNames(const AccessibilityMenuItemNames&) = delete;
    AccessibilityMenuItemNames& operator=(const AccessibilityMenuItemNames&) = delete;

    void set(HMENU menu, int position, const std::wstring& name) override {
        if (service_) service_->SetHmenuPropStr(menu, childOf(position), PROPID_ACC_NAME, name.c_str());
    }
    void clear(HMENU menu, int position) override {
        if (service_) service_->ClearHmenuProps(menu, childOf(position), &PROPID_ACC_NAME, 1);
    }

private:
    // Child 0 is the menu itself; its items count from 1.
    static DWORD childOf(int position) { return static_cast<DWORD>(position) + 1; }

    template <typename Function>
    static Function entry(const Win::UniqueModule& module, const char* name) {
        return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module.get(), name)))
                      : nullptr;
    }

    // Released in the reverse order: oleacc.dll, then ole32.dll.
    Win::UniqueModule ole32_;
    Win::UniqueModule oleacc_;
    void(WINAPI* uninitialise_)() = nullptr;
    bool joinedApartment_ = false;
    IAccPropServices* service_ = nullptr;
};

}  // namespace

std::unique_ptr<MenuItemNames> accessibilityMenuItemNames() { return std::make_unique<AccessibilityMenuItemNames>(); }
