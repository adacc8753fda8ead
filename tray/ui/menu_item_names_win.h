#pragma once
// Names that screen readers read for menu items instead of the items' visible text, so an item can
// say more than it shows. Set through the accessibility service's annotations of a menu; items are
// named by position, which is how the service tells a menu's items apart.
// The service brings COM and several DLLs into the process, so the menu opens it only
// for as long as it is shown: a source makes one for each showing.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

class MenuItemNames {
public:
    virtual ~MenuItemNames() = default;
    virtual void set(HMENU menu, int position, const std::wstring& name) = 0;
    virtual void clear(HMENU menu, int position) = 0;
};

using MenuItemNamesSource = std::function<std::unique_ptr<MenuItemNames>()>;

// Annotations kept by the accessibility service; does nothing where the service is missing. The
// service, COM and ole32.dll are loaded here and let go when the object is destroyed.
std::unique_ptr<MenuItemNames> accessibilityMenuItemNames();
