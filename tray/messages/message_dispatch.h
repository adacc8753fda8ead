#pragma once
// Decodes one received frame by its type id and calls the matching handler slot. Unknown ids,
// including the engine's own ClassMessage announcements, are dropped silently.
#include <cstdint>

#include "vaultwick_handlers.h"

namespace Messages {

// Returns false when the type id is not one the tray handles. A frame whose decoding or handling
// throws is dropped with a SEVERE log line.
bool dispatchFrame(std::uint16_t typeId, const std::uint8_t* body, std::int32_t length,
                   VaultwickMessageHandler& handler);

}  // namespace Messages
