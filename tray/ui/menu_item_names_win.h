#pragma once
// Names that screen readers read for menu items instead of the items' visible text, so an item can
// say more than it shows. Set through the accessibility service's annotations of a menu; items are
// named by position, which is how the service tells a menu's items apart.
#include <windows.h>

#include <memory>
#include <string>

class MenuItemNames {
public:
    virtual ~MenuItemNames() = default;
    virtual void set(HMENU menu, int position, const std::wstring& name) = 0;
    virtual void clear(HMENU menu, int position) = 0;
};

// Annotations kept by the accessibility service; does nothing where the service is missing.
std::unique_ptr<MenuItemNames> accessibilityMenuItemNames();
