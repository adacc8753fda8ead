#pragma once
// A message whose body is a list of text tokens joined by "|". There is no escaping: a token that
// contains "|" cannot be carried.
#include <cstdint>
#include <cstring>
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
        std::size_t maxTokens = 0;  // token 0 included; the tokens after these are not kept
        std::size_t maxTokenChars = static_cast<std::size_t>(-1);  // a longer token keeps its start
    };
    // Widens only what is kept of the kept tokens, so the text costs at most twice the kept bytes.
    TokenMessage(const std::uint8_t* bytes, std::int32_t length, TokenLimit limit);
    // Calls visit(begin, end) for each token of a received body, in order, and keeps nothing; a
    // body that cannot be measured is logged and visits one empty token.
    template <typename Visit>
    static void visitTokens(const std::uint8_t* bytes, std::int32_t length, Visit visit) {
        const std::uint8_t* start = bytes;
        const std::uint8_t* const end = bytes + measuredBody(bytes, length);
        for (;;) {
            const auto* bar = start == end ? nullptr
                                           : static_cast<const std::uint8_t*>(
                                                 std::memchr(start, '|', static_cast<std::size_t>(end - start)));
            visit(start, bar ? bar : end);
            if (!bar) return;
            start = bar + 1;
        }
    }

    void appendToken(std::wstring_view token);
    // Valid while the message lives; "" for a missing index.
    std::wstring_view token(std::size_t index) const;

private:
    static std::size_t measuredBody(const std::uint8_t* bytes, std::int32_t length);

    // All tokens in one text, each followed by a separator except the last, and where each ends:
    // one allocation per message instead of one per token. The recorded ends, not the separators,
    // delimit tokens, so an outgoing token holding "|" stays whole here.
    std::wstring text_;
    std::vector<std::size_t> ends_;
};

}  // namespace Messages
