#pragma once
// A process that holds, or answered on, the engine's port: what the tooltip names when it is not the
// engine.
#include <cstdint>
#include <string>

namespace PeerCheck {

struct Process {
    std::uint32_t pid = 0;
    std::wstring image;  // executable file name; empty when unknown
};

}  // namespace PeerCheck
