#pragma once
// A process that holds, or answered on, the engine's port: what the peer check learns of it and what
// the tooltip names when it is not the engine.
#include <cstdint>
#include <string>

namespace PeerCheck {

struct Process {
    std::uint32_t pid = 0;
    std::wstring userSid;  // string form, "S-1-5-18"; empty when unknown
    std::uint32_t session = 0;
    std::wstring image;    // executable file name; empty when unknown
};

}  // namespace PeerCheck
