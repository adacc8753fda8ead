#pragma once
// Every concrete message names itself the same way: a type id constant (used by the dispatcher and
// the frame header) and the engine's class name.
#include <cstdint>
#include <string>

#define VW_MESSAGE_IDENTITY(typeId, className)                               \
public:                                                                      \
    static constexpr std::uint16_t kTypeId = typeId;                         \
    std::uint16_t getTypeId() const override { return kTypeId; }             \
    std::wstring getClassName() const override { return className; }
