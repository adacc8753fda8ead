#include "class_message.h"

Messages::ClassMessage::ClassMessage(std::uint16_t announcedTypeId, const std::wstring& announcedClassName) {
    appendToken(std::to_wstring(static_cast<std::int16_t>(announcedTypeId)));
    appendToken(announcedClassName);
}
