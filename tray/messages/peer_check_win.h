#pragma once
// The system's side of the peer check: the IP helper's owner-PID connection table, and the
// terminal-services process list for user and session (it describes another user's process without
// opening it).
#include <cstdint>
#include <optional>

#include "peer_check.h"

namespace PeerCheck {

class SystemProcessDirectory final : public ProcessDirectory {
public:
    std::uint32_t engineEndOwner(const Connection& connection) const override {
        return engineEndRow(connection).value_or(0);
    }
    std::optional<Process> process(std::uint32_t pid) const override;
    std::uint32_t selfPid() const override;

    // The owner named by the table's row whose local end is the engine's and whose remote end is
    // ours (the row of the other direction belongs to our own socket); nothing without such a row.
    std::optional<std::uint32_t> engineEndRow(const Connection& connection) const;
};

const ProcessDirectory& systemProcessDirectory();

}  // namespace PeerCheck
