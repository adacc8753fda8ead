#pragma once
// A message whose body is a list of text tokens joined by "|". There is no escaping: a token that
// contains "|" cannot be carried.
#include <cstdint>
#include <string>
#include <vector>

#include "message.h"

namespace Messages {

class TokenMessage : public Message {
public:
    TokenMessage() = default;
    // Incoming: decodes the body as text (stopping at a zero byte) and splits it at every "|".
    // A body always yields at least one token: "" gives one empty token, "a|" gives "a" and "".
    TokenMessage(const std::uint8_t* bytes, std::int32_t length);

    Bytes toBytes() const override;
    std::int32_t getLength() const override;

    // Index accessors; a missing index gives "", -1, -1 and false.
    std::wstring getString(std::size_t index) const;
    std::int32_t getInt(std::size_t index) const;
    std::int64_t getLong(std::size_t index) const;
    // True exactly when the token is "true".
    bool getBool(std::size_t index) const;
    std::size_t getTokenCount() const { return tokens_.size(); }

protected:
    void appendToken(std::wstring token) { tokens_.push_back(std::move(token)); }
    const std::vector<std::wstring>& tokens() const { return tokens_; }

private:
    std::vector<std::wstring> tokens_;
};

}  // namespace Messages
