#include "token_message.h"

#include <algorithm>
#include <cstring>

#include "decimal.h"
#include "latin1.h"
#include "message_body.h"
#include "tray_log.h"

// Splits the bytes directly: each token is widened once, with no intermediate text.
Messages::TokenMessage::TokenMessage(const std::uint8_t* bytes, std::int32_t length) {
    std::size_t size = 0;
    if (!Body::measure(bytes, length, size)) {
        trayLogCode(L"SEVERE", L"Messages::TokenMessage::TokenMessage",
                    L"Unable to build TokenMessage, failed to convert bytes.", Body::kInvalidBody);
    }
    const std::uint8_t* const end = bytes + size;
    tokens_.reserve(static_cast<std::size_t>(std::count(bytes, end, '|')) + 1);
    const std::uint8_t* start = bytes;
    while (start != end) {
        const auto* bar = static_cast<const std::uint8_t*>(std::memchr(start, '|', static_cast<std::size_t>(end - start)));
        if (!bar) break;
        tokens_.push_back(Latin1::decode(start, static_cast<std::size_t>(bar - start)));
        start = bar + 1;
    }
    tokens_.push_back(Latin1::decode(start, static_cast<std::size_t>(end - start)));
}

// A token that cannot be encoded contributes nothing (its separators stay), in the length and in
// the bytes alike, so the frame header always matches the body.
std::int32_t Messages::TokenMessage::getLength() const {
    if (tokens_.empty()) return 0;
    std::int64_t length = static_cast<std::int64_t>(tokens_.size()) - 1;
    bool failed = false;
    for (const auto& token : tokens_) {
        if (Latin1::encodable(token)) {
            length += static_cast<std::int64_t>(token.size());
        } else {
            failed = true;
        }
    }
    if (failed) {
        trayLogCode(L"SEVERE", L"Messages::TokenMessage::getLength", L"Unable to get TokenMessage length.",
                    Latin1::kNoTranslation);
    }
    return static_cast<std::int32_t>(length);
}

Messages::Bytes Messages::TokenMessage::toBytes() const {
    std::string encoded;
    bool failed = false;
    for (std::size_t i = 0; i < tokens_.size(); ++i) {
        if (i > 0) encoded.push_back('|');
        if (!Latin1::encode(tokens_[i], encoded)) failed = true;
    }
    if (failed) {
        trayLogCode(L"SEVERE", L"Messages::TokenMessage::toBytes",
                    L"Unable to send TokenMessage, failed to convert bytes.", Latin1::kNoTranslation);
    }
    Bytes bytes(encoded.size() + 1, 0);
    std::copy(encoded.begin(), encoded.end(), bytes.begin());
    return bytes;
}

std::wstring Messages::TokenMessage::getString(std::size_t index) const {
    return index < tokens_.size() ? tokens_[index] : std::wstring();
}

std::int32_t Messages::TokenMessage::getInt(std::size_t index) const {
    return index < tokens_.size() ? Decimal::toInt32(tokens_[index]) : -1;
}

std::int64_t Messages::TokenMessage::getLong(std::size_t index) const {
    return index < tokens_.size() ? Decimal::toInt64(tokens_[index]) : -1;
}

bool Messages::TokenMessage::getBool(std::size_t index) const {
    return index < tokens_.size() && tokens_[index] == L"true";
}
