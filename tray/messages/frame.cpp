#include "frame.h"

#include <algorithm>

void Framing::writeHeader(const Header& header, std::uint8_t* out) {
    const auto length = static_cast<std::uint32_t>(header.length);
    out[0] = static_cast<std::uint8_t>(header.typeId >> 8);
    out[1] = static_cast<std::uint8_t>(header.typeId);
    out[2] = static_cast<std::uint8_t>(length >> 24);
    out[3] = static_cast<std::uint8_t>(length >> 16);
    out[4] = static_cast<std::uint8_t>(length >> 8);
    out[5] = static_cast<std::uint8_t>(length);
}

Framing::Header Framing::readHeader(const std::uint8_t* in) {
    Header header;
    header.typeId = static_cast<std::uint16_t>((in[0] << 8) | in[1]);
    const std::uint32_t length = (std::uint32_t{in[2]} << 24) | (std::uint32_t{in[3]} << 16) |
                                 (std::uint32_t{in[4]} << 8) | std::uint32_t{in[5]};
    header.length = static_cast<std::int32_t>(length);
    return header;
}

Messages::Bytes Framing::encodeFrame(const Messages::Message& message) {
    const std::int32_t length = std::max<std::int32_t>(message.getLength(), 0);
    Messages::Bytes frame(kHeaderSize + static_cast<std::size_t>(length), 0);
    writeHeader({message.getTypeId(), length}, frame.data());
    if (length > 0) {
        const Messages::Bytes body = message.toBytes();
        std::copy_n(body.begin(), std::min(body.size(), static_cast<std::size_t>(length)), frame.begin() + kHeaderSize);
    }
    return frame;
}
