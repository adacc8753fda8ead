#pragma once
// Announces a message type to the engine: token 0 is the type id as a signed 16-bit decimal
// (0xAF05 is "-20731"), token 1 the class name. Sent before the first message of each type on a
// connection.
#include <cstdint>
#include <string>

#include "message_identity.h"
#include "token_message.h"

namespace Messages {

class ClassMessage : public TokenMessage {
    VW_MESSAGE_IDENTITY(0x8063, L"com.tessik.messaging.message.ClassMessage")

public:
    ClassMessage(std::uint16_t announcedTypeId, const std::wstring& announcedClassName);
};

}  // namespace Messages
