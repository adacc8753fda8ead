#pragma once
// Win32 sides of the text seams: the user's default locale (GetLocaleInfoW, GetNumberFormatW) and
// the string table of the program's module (LoadStringW), plus the shorthand forms the tray uses.
#include <windows.h>

#include "kov_text.h"

namespace KovToolkit {

// The module whose resources the tray reads; start-up records it before any window exists.
void setModuleInstance(HINSTANCE instance);
HINSTANCE moduleInstance();

class UserNumberLocale final : public NumberLocale {
public:
    std::wstring item(NumberItem which) const override;
    bool group(const std::wstring& digits, const NumberFormatting& format, std::size_t capacity,
               std::wstring& out) const override;
};

class ModuleStringTable final : public StringTable {
public:
    std::size_t read(unsigned id, wchar_t* buffer, std::size_t capacity) const override;
};

const NumberLocale& userNumberLocale();
const StringTable& moduleStringTable();

inline std::wstring loadString(unsigned id) { return loadString(moduleStringTable(), id); }
inline std::wstring formatNumber(std::int32_t value) { return formatNumber(value, userNumberLocale()); }

}  // namespace KovToolkit
