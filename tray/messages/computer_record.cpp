#include "computer_record.h"

#include <algorithm>
#include <string>

#include "decimal.h"

namespace {

constexpr int kLastField = 12;
constexpr std::wstring_view kTrue = L"true";
constexpr std::wstring_view kNull = L"null";
// More than any menu item, tooltip or host name shows; a peer's megabyte-long name then costs every
// copy of the list (model, menu) a few kilobytes instead of its length again.
constexpr std::size_t kMaxTextChars = 1024;

// Sizes first: most fields are neither word, and the library compare is a call per field.
bool is(std::wstring_view value, std::wstring_view word) {
    return value.size() == word.size() && std::equal(word.begin(), word.end(), value.begin());
}

void storeField(Messages::Computer& computer, int field, std::wstring_view value) {
    switch (field) {
    case 1: computer.id = Decimal::toInt64(value); break;
    case 2: computer.name.assign(value.substr(0, kMaxTextChars)); break;
    case 3: computer.address.assign(value.substr(0, kMaxTextChars)); break;
    case 4: computer.port = Decimal::toInt32(value); break;
    case 6: computer.isSelf = is(value, kTrue); break;
    case 7: computer.flag7 = is(value, kTrue); break;
    case 8: computer.flag8 = is(value, kTrue); break;
    case 9: computer.isDestination = is(value, kTrue); break;
    case 10: computer.flag10 = is(value, kTrue); break;
    case 12: computer.online = Decimal::toInt64(value) / 1000 > 0; break;
    default: break;  // 5 and 11 are not read
    }
}

}  // namespace

Messages::Computer Messages::decodeComputer(std::wstring_view token) {
    Computer computer;
    decodeComputer(token, computer);
    return computer;
}

void Messages::decodeComputer(std::wstring_view token, Computer& computer) {
    if (token.empty()) return;
    // The ending character is dropped even when it is not a comma, so the fields are the pieces
    // of everything before it.
    const std::wstring_view fields = token.substr(0, token.size() - 1);
    // Fields are a few characters long: a plain scan beats a library search call per field.
    std::size_t start = 0;
    for (int field = 1; field <= kLastField; ++field) {
        std::size_t comma = start;
        while (comma < fields.size() && fields[comma] != L',') ++comma;
        const std::wstring_view value = fields.substr(start, comma - start);
        if (!value.empty() && !is(value, kNull)) storeField(computer, field, value);
        if (comma == fields.size()) return;
        start = comma + 1;
    }
}
