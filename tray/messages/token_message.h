#pragma once
// A message whose body is a list of text tokens joined by "|". There is no escaping: a token that
// contains "|" cannot be carried.
#include <cstdint>
#include <string>
#include <string_view>
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
    std::size_t getTokenCount() const { return ends_.size(); }

protected:
    // What a subclass keeps of a received body whose token count the peer chooses.
    struct TokenLimit {
        bool skipEmpty = false;     // empty tokens after token 0 are left out
        std::size_t maxTokens = 0;  // token 0 included; the tokens after these are counted, not kept
    };
    // Widens only the kept tokens, so the text costs at most twice the kept bytes.
    TokenMessage(const std::uint8_t* bytes, std::int32_t length, TokenLimit limit);
    std::size_t droppedTokens() const { return dropped_; }

    void appendToken(std::wstring_view token);
    // Valid while the message lives; "" for a missing index.
    std::wstring_view token(std::size_t index) const;

private:
    // All tokens in one text, each followed by a separator except the last, and where each ends:
    // one allocation per message instead of one per token. The recorded ends, not the separators,
    // delimit tokens, so an outgoing token holding "|" stays whole here.
    std::wstring text_;
    std::vector<std::size_t> ends_;
    std::size_t dropped_ = 0;
};

}  // namespace Messages
