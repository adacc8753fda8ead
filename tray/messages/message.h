#pragma once
// The message interface: everything the tray says to the engine, and hears back, is one of these.
// A message names itself by a 16-bit type id (the frame header carries it) and by the engine's
// class name (sent once per connection and type, see VaultwickProtocol).
#include <cstdint>
#include <string>
#include <vector>

namespace Messages {

using Bytes = std::vector<std::uint8_t>;

class Message {
public:
    // Virtual so that no owner can leak a concrete message through a base pointer.
    virtual ~Message() = default;

    virtual std::uint16_t getTypeId() const = 0;
    // The encoded body. String and token bodies come as getLength() + 1 bytes, the last one zero
    // (not part of the body); bodiless messages give an empty buffer.
    virtual Bytes toBytes() const = 0;
    // Body length in bytes, terminator excluded.
    virtual std::int32_t getLength() const = 0;
    virtual std::wstring getClassName() const = 0;
};

// Messages without a body: length 0, no bytes.
class BodilessMessage : public Message {
public:
    Bytes toBytes() const override { return {}; }
    std::int32_t getLength() const override { return 0; }
};

}  // namespace Messages
