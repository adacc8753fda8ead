#pragma once
// The system's side of the peer check, from calls that work for a standard user: the IP helper's
// owner-PID connection tables, the service manager's list of active services with their processes,
// a process's token through a limited-query handle, and the tool-help process list for names.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "peer_check.h"

namespace PeerCheck {

class SystemProcessDirectory final : public ProcessDirectory {
public:
    std::optional<std::vector<ConnectionRow>> connections() const override;
    std::optional<std::vector<std::uint32_t>> servicePids() const override;
    std::optional<std::wstring> userOf(std::uint32_t pid) const override;
    std::wstring imageOf(std::uint32_t pid) const override;
    std::uint32_t selfPid() const override;
};

const ProcessDirectory& systemProcessDirectory();

}  // namespace PeerCheck
