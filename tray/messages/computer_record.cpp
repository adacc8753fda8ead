#include "computer_record.h"

#include <string>

#include "decimal.h"

namespace {

constexpr int kLastField = 12;
constexpr std::wstring_view kTrue = L"true";
constexpr std::wstring_view kNull = L"null";

void storeField(Messages::Computer& computer, int field, std::wstring_view value) {
    switch (field) {
    case 1: computer.id = Decimal::toInt64(value); break;
    case 2: computer.name.assign(value); break;
    case 3: computer.address.assign(value); break;
    case 4: computer.port = Decimal::toInt32(value); break;
    case 6: computer.isSelf = value == kTrue; break;
    case 7: computer.flag7 = value == kTrue; break;
    case 8: computer.flag8 = value == kTrue; break;
    case 9: computer.isDestination = value == kTrue; break;
    case 10: computer.flag10 = value == kTrue; break;
    case 12: computer.online = Decimal::toInt64(value) / 1000 > 0; break;
    default: break;  // 5 and 11 are not read
    }
}

}  // namespace

Messages::Computer Messages::decodeComputer(std::wstring_view token) {
    Computer computer;
    int field = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < token.size(); ++i) {
        const bool last = i + 1 == token.size();
        if (token[i] != L',' && !last) continue;
        // The ending character is dropped even when it is not a comma.
        const std::wstring_view value = token.substr(start, i - start);
        start = i + 1;
        if (++field > kLastField) break;
        if (!value.empty() && value != kNull) storeField(computer, field, value);
    }
    return computer;
}
