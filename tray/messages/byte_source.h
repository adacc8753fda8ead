#pragma once
// Where received bytes come from: one call is one read of the connection.
#include <cstdint>

namespace Framing {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads at most `size` bytes; returns the count, 0 when nothing was read (would block, closed
    // or failed).
    virtual int receive(std::uint8_t* buffer, int size) = 0;
};

}  // namespace Framing
