#pragma once
// One frame on the wire, both directions: type id (2 bytes), body length (4 bytes, signed), both
// big-endian, then the body without terminator. No magic, version or checksum.
#include <cstddef>
#include <cstdint>

#include "message.h"

namespace Framing {

constexpr std::size_t kHeaderSize = 6;
// Larger bodies are refused, not allocated: the length field alone would allow 2 GiB at once.
constexpr std::int32_t kMaxBodyLength = 16 * 1024 * 1024;

struct Header {
    std::uint16_t typeId = 0;
    std::int32_t length = 0;
};

void writeHeader(const Header& header, std::uint8_t* out);
Header readHeader(const std::uint8_t* in);

// Header followed by the first getLength() bytes of toBytes(); the length in the header and the
// body always agree (a short toBytes is padded with zeros).
Messages::Bytes encodeFrame(const Messages::Message& message);

}  // namespace Framing
