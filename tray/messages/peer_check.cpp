#include "peer_check.h"

#include <algorithm>

namespace {

bool sameEnd(const PeerCheck::Endpoint& a, const PeerCheck::Endpoint& b) {
    return a.address == b.address && a.port == b.port;
}

}  // namespace

std::optional<std::uint32_t> PeerCheck::mappedIPv4(const std::uint8_t (&address)[16]) {
    for (int i = 0; i < 10; ++i) {
        if (address[i] != 0) return std::nullopt;
    }
    if (address[10] != 0xFF || address[11] != 0xFF) return std::nullopt;
    return static_cast<std::uint32_t>(address[12]) << 24 | static_cast<std::uint32_t>(address[13]) << 16 |
           static_cast<std::uint32_t>(address[14]) << 8 | address[15];
}

std::optional<std::uint32_t> PeerCheck::engineEndOwner(const std::vector<ConnectionRow>& rows,
                                                       const Connection& connection) {
    for (const ConnectionRow& row : rows) {
        if (sameEnd(row.local, connection.engine) && sameEnd(row.remote, connection.ours)) return row.owner;
    }
    return std::nullopt;
}

PeerCheck::Decision PeerCheck::decide(const ProcessDirectory& directory, const Connection& connection) {
    Decision decision;
    const std::optional<std::vector<ConnectionRow>> rows = directory.connections();
    if (!rows) return decision;
    decision.owner.pid = engineEndOwner(*rows, connection).value_or(0);
    const std::uint32_t owner = decision.owner.pid;
    if (owner == 0) {
        decision.verdict = Verdict::Unverified;
        return decision;
    }
    decision.verdict = Verdict::Accepted;
    if (owner == directory.selfPid()) return decision;
    // Only administrators install services.
    const std::optional<std::vector<std::uint32_t>> services = directory.servicePids();
    if (!services) {
        decision.verdict = Verdict::Undecided;
        return decision;
    }
    if (std::find(services->begin(), services->end(), owner) != services->end()) return decision;
    if (const std::optional<std::wstring> user = directory.userOf(owner)) {
        const std::optional<std::wstring> ours = directory.userOf(directory.selfPid());
        if (!ours) {
            decision.verdict = Verdict::Undecided;
            return decision;
        }
        if (*user == *ours) return decision;
    }
    decision.verdict = Verdict::Refused;
    decision.owner.image = directory.imageOf(owner);
    return decision;
}
