#include "message_body.h"

#include "latin1.h"

bool Messages::Body::decode(const std::uint8_t* bytes, std::int32_t length, std::wstring& text) {
    text.clear();
    if (length < 0 || (!bytes && length > 0)) return false;
    text = Latin1::decode(bytes, static_cast<std::size_t>(length));
    return true;
}
