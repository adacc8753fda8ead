#include "message_body.h"

#include <cstring>

#include "latin1.h"

bool Messages::Body::measure(const std::uint8_t* bytes, std::int32_t length, std::size_t& size) {
    size = 0;
    if (length < 0 || (!bytes && length > 0)) return false;
    if (length == 0) return true;
    const void* zero = std::memchr(bytes, 0, static_cast<std::size_t>(length));
    size = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes) : static_cast<std::size_t>(length);
    return true;
}

bool Messages::Body::decode(const std::uint8_t* bytes, std::int32_t length, std::wstring& text) {
    std::size_t size = 0;
    const bool measured = measure(bytes, length, size);
    text = Latin1::decode(bytes, size);
    return measured;
}
