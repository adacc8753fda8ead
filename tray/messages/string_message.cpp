#include "string_message.h"

#include <string>

#include "decimal.h"
#include "latin1.h"
#include "message_body.h"
#include "tray_log.h"

Messages::StringMessage::StringMessage(const std::uint8_t* bytes, std::int32_t length) {
    if (!Body::decode(bytes, length, text_)) {
        trayLogCode(L"SEVERE", L"Messages::StringMessage::StringMessage",
                    L"Unable to build StringMessage, unknown length.", Body::kInvalidBody);
    }
}

// A text that cannot be encoded contributes nothing, in the length and in the bytes alike.
Messages::Bytes Messages::StringMessage::toBytes() const {
    std::string encoded;
    if (!Latin1::encode(text_, encoded)) {
        trayLogCode(L"SEVERE", L"Messages::StringMessage::toBytes",
                    L"Unable to send StringMessage, failed to convert bytes.", Latin1::kNoTranslation);
    }
    Bytes bytes(encoded.begin(), encoded.end());
    bytes.push_back(0);
    return bytes;
}

std::int32_t Messages::StringMessage::getLength() const {
    if (!Latin1::encodable(text_)) {
        trayLogCode(L"SEVERE", L"Messages::StringMessage::getLength", L"Unable to get StringMessage length.",
                    Latin1::kNoTranslation);
        return 0;
    }
    return static_cast<std::int32_t>(text_.size());
}

std::int32_t Messages::StringMessage::getInt() const { return Decimal::toInt32(text_); }
