#include "pe_image.h"

namespace PeImage {

namespace {

constexpr std::size_t kNewHeaderOffsetField = 0x3C;

std::uint32_t littleEndian(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = width; i > 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i - 1]);
    return value;
}

}  // namespace

std::optional<std::uint16_t> machine(std::string_view head) {
    if (head.size() < kNewHeaderOffsetField + 4 || head[0] != 'M' || head[1] != 'Z') return std::nullopt;
    const std::size_t peHeader = littleEndian(head, kNewHeaderOffsetField, 4);
    if (peHeader > head.size() || head.size() - peHeader < 6) return std::nullopt;
    if (head.substr(peHeader, 4) != std::string_view("PE\0\0", 4)) return std::nullopt;
    return static_cast<std::uint16_t>(littleEndian(head, peHeader + 4, 2));
}

}  // namespace PeImage
