#include "menu_item_names_win.h"

#include <initguid.h>  // this file alone defines the service's ids

#include <objbase.h>
#include <oleacc.h>

namespace {

class AccessibilityMenuItemNames final : public MenuItemNames {
public:
    AccessibilityMenuItemNames() {
        const HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        joinedApartment_ = SUCCEEDED(apartment);  // S_FALSE too: each success needs its own uninitialise
        CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                         reinterpret_cast<void**>(&service_));
    }
    ~AccessibilityMenuItemNames() override {
        if (service_) service_->Release();
        if (joinedApartment_) CoUninitialize();
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

    bool joinedApartment_ = false;
    IAccPropServices* service_ = nullptr;
};

}  // namespace

std::unique_ptr<MenuItemNames> accessibilityMenuItemNames() { return std::make_unique<AccessibilityMenuItemNames>(); }
