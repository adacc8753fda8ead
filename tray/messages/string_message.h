#pragma once
// A message whose body is one text.
#include <cstdint>
#include <string>

#include "message.h"

namespace Messages {

class StringMessage : public Message {
public:
    StringMessage() = default;
    explicit StringMessage(std::wstring text) : text_(std::move(text)) {}
    // Incoming: decodes the body, stopping early at a zero byte.
    StringMessage(const std::uint8_t* bytes, std::int32_t length);

    Bytes toBytes() const override;
    std::int32_t getLength() const override;

    const std::wstring& getText() const { return text_; }
    void setText(std::wstring text) { text_ = std::move(text); }
    // The text read as a base-10 int (see Decimal).
    std::int32_t getInt() const;

private:
    std::wstring text_;
};

}  // namespace Messages
