#include "kov_text_win.h"

#include <vector>

namespace KovToolkit {
namespace {
HINSTANCE g_instance = nullptr;

constexpr int kLocaleItemCapacity = 19;

LCTYPE localeType(NumberItem which) {
    switch (which) {
    case NumberItem::LeadingZero: return LOCALE_ILZERO;
    case NumberItem::Grouping: return LOCALE_SGROUPING;
    case NumberItem::DecimalSeparator: return LOCALE_SDECIMAL;
    case NumberItem::ThousandSeparator: return LOCALE_STHOUSAND;
    case NumberItem::NegativeOrder: return LOCALE_INEGNUMBER;
    }
    return LOCALE_ILZERO;
}
}  // namespace

void setModuleInstance(HINSTANCE instance) { g_instance = instance; }

HINSTANCE moduleInstance() { return g_instance ? g_instance : GetModuleHandleW(nullptr); }

std::wstring UserNumberLocale::item(NumberItem which) const {
    wchar_t buffer[kLocaleItemCapacity] = {};
    int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, localeType(which), buffer, kLocaleItemCapacity);
    return n > 0 ? std::wstring(buffer) : std::wstring();
}

bool UserNumberLocale::group(const std::wstring& digits, const NumberFormatting& format, std::size_t capacity,
                             std::wstring& out) const {
    std::wstring decimal = format.decimalSeparator;
    std::wstring thousand = format.thousandSeparator;
    NUMBERFMTW f{};
    f.NumDigits = 0;
    f.LeadingZero = format.leadingZero;
    f.Grouping = format.grouping;
    f.lpDecimalSep = decimal.data();
    f.lpThousandSep = thousand.data();
    f.NegativeOrder = format.negativeOrder;
    std::vector<wchar_t> buffer(capacity, L'\0');
    int n = GetNumberFormatW(LOCALE_USER_DEFAULT, 0, digits.c_str(), &f, buffer.data(), static_cast<int>(capacity));
    if (n < 1) return false;
    out.assign(buffer.data());
    return true;
}

std::size_t ModuleStringTable::read(unsigned id, wchar_t* buffer, std::size_t capacity) const {
    int n = LoadStringW(moduleInstance(), id, buffer, static_cast<int>(capacity));
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

const NumberLocale& userNumberLocale() {
    static const UserNumberLocale locale;
    return locale;
}

const StringTable& moduleStringTable() {
    static const ModuleStringTable table;
    return table;
}

}  // namespace KovToolkit
