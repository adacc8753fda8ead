#pragma once
// One computer of the engine's computer list. The token is a list of fields numbered from 1, each
// ended by ","; the token's last character always ends the last field and is never part of it. An
// empty field or "null" keeps the default; fields after 12 are not read.
// Name and address keep at most their first 1024 characters.
#include <string_view>

#include "records.h"

namespace Messages {

Computer decodeComputer(std::wstring_view token);
// The same, into a default-constructed record already in place (no move of the texts).
void decodeComputer(std::wstring_view token, Computer& computer);

}  // namespace Messages
