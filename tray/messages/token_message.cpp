#include "token_message.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "decimal.h"
#include "latin1.h"
#include "message_body.h"
#include "tray_log.h"

// The text's byte count, with a failure logged the same way for every token body.
std::size_t Messages::TokenMessage::measuredBody(const std::uint8_t* bytes, std::int32_t length) {
    std::size_t size = 0;
    if (!Body::measure(bytes, length, size)) {
        trayLogCode(L"SEVERE", L"Messages::TokenMessage::TokenMessage",
                    L"Unable to build TokenMessage, failed to convert bytes.", Body::kInvalidBody);
    }
    return size;
}

// One widening pass over the whole body, then the separators are found in the bytes.
Messages::TokenMessage::TokenMessage(const std::uint8_t* bytes, std::int32_t length) {
    const std::size_t size = measuredBody(bytes, length);
    if (size == 0) {
        ends_.push_back(0);
        return;
    }
    const std::uint8_t* const end = bytes + size;
    text_ = Latin1::decode(bytes, size);
    ends_.reserve(static_cast<std::size_t>(std::count(bytes, end, '|')) + 1);
    const std::uint8_t* start = bytes;
    while (const auto* bar = static_cast<const std::uint8_t*>(std::memchr(start, '|', static_cast<std::size_t>(end - start)))) {
        ends_.push_back(static_cast<std::size_t>(bar - bytes));
        start = bar + 1;
    }
    ends_.push_back(size);
}

// Up to the first token that is cut, the kept tokens stand in the body as they will in the text:
// that stretch is widened in one pass, as a whole body is.
Messages::TokenMessage::TokenMessage(const std::uint8_t* bytes, std::int32_t length, TokenLimit limit) {
    ends_.reserve(std::min<std::size_t>(limit.maxTokens, 64));  // bounded: the peer chooses the count
    bool cut = false;
    visitTokens(bytes, length, [&](const std::uint8_t* start, const std::uint8_t* end) {
        if (ends_.size() == limit.maxTokens) return;
        const std::size_t size = static_cast<std::size_t>(end - start);
        const std::size_t kept = std::min(size, limit.maxTokenChars);
        if (!cut && kept == size) {
            ends_.push_back(static_cast<std::size_t>(end - bytes));
            return;
        }
        if (!std::exchange(cut, true)) text_ = std::wstring(bytes, bytes + (ends_.empty() ? 0 : ends_.back()));
        if (!ends_.empty()) text_.push_back(L'|');
        Latin1::appendDecoded(text_, start, start + kept);
        ends_.push_back(text_.size());
    });
    if (!cut) text_ = std::wstring(bytes, bytes + (ends_.empty() ? 0 : ends_.back()));
}

void Messages::TokenMessage::appendToken(std::wstring_view token) {
    if (!ends_.empty()) text_.push_back(L'|');
    text_.append(token);
    ends_.push_back(text_.size());
}

std::wstring_view Messages::TokenMessage::token(std::size_t index) const {
    if (index >= ends_.size()) return {};
    const std::size_t start = index == 0 ? 0 : ends_[index - 1] + 1;
    return std::wstring_view(text_).substr(start, ends_[index] - start);
}

// A token that cannot be encoded contributes nothing (its separators stay), in the length and in
// the bytes alike, so the frame header always matches the body.
std::int32_t Messages::TokenMessage::getLength() const {
    if (ends_.empty()) return 0;
    std::int64_t length = static_cast<std::int64_t>(ends_.size()) - 1;
    bool failed = false;
    for (std::size_t i = 0; i < ends_.size(); ++i) {
        const std::wstring_view t = token(i);
        if (Latin1::encodable(t)) {
            length += static_cast<std::int64_t>(t.size());
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
    for (std::size_t i = 0; i < ends_.size(); ++i) {
        if (i > 0) encoded.push_back('|');
        if (!Latin1::encode(token(i), encoded)) failed = true;
    }
    if (failed) {
        trayLogCode(L"SEVERE", L"Messages::TokenMessage::toBytes",
                    L"Unable to send TokenMessage, failed to convert bytes.", Latin1::kNoTranslation);
    }
    Bytes bytes(encoded.size() + 1, 0);
    std::copy(encoded.begin(), encoded.end(), bytes.begin());
    return bytes;
}

std::wstring Messages::TokenMessage::getString(std::size_t index) const { return std::wstring(token(index)); }

std::int32_t Messages::TokenMessage::getInt(std::size_t index) const {
    return index < ends_.size() ? Decimal::toInt32(token(index)) : -1;
}

std::int64_t Messages::TokenMessage::getLong(std::size_t index) const {
    return index < ends_.size() ? Decimal::toInt64(token(index)) : -1;
}

bool Messages::TokenMessage::getBool(std::size_t index) const { return token(index) == L"true"; }
