#include "peer_check.h"

#include <cwctype>

namespace {

bool sameSid(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towupper(a[i]) != std::towupper(b[i])) return false;
    }
    return true;
}

}  // namespace

bool PeerCheck::isServiceAccount(std::wstring_view sid) {
    constexpr std::wstring_view kVirtualServicePrefix = L"S-1-5-80-";  // NT SERVICE\<name>
    return sameSid(sid, L"S-1-5-18") || sameSid(sid, L"S-1-5-19") || sameSid(sid, L"S-1-5-20") ||
           (sid.size() > kVirtualServicePrefix.size() && sameSid(sid.substr(0, kVirtualServicePrefix.size()),
                                                                 kVirtualServicePrefix));
}

PeerCheck::Decision PeerCheck::decide(const ProcessDirectory& directory, const Connection& connection) {
    Decision decision;
    decision.owner.pid = directory.engineEndOwner(connection);
    if (decision.owner.pid == 0) return decision;
    const std::uint32_t selfPid = directory.selfPid();
    if (decision.owner.pid == selfPid) {
        decision.verdict = Verdict::Accepted;
        return decision;
    }
    const std::optional<Process> self = directory.process(selfPid);
    if (!self || self->userSid.empty()) return decision;
    // A named owner the system will not describe cannot be shown to be ours.
    decision.verdict = Verdict::Refused;
    const std::optional<Process> owner = directory.process(decision.owner.pid);
    if (!owner) return decision;
    decision.owner = *owner;
    const bool trustedUser = sameSid(owner->userSid, self->userSid) || isServiceAccount(owner->userSid);
    const bool trustedSession = owner->session == 0 || owner->session == self->session;
    if (trustedUser && trustedSession) decision.verdict = Verdict::Accepted;
    return decision;
}
