#pragma once
// Whether the process at the other end of the engine connection may be believed. Any program can
// bind the engine's port before the engine does, in any session of the machine; only a process of
// the tray's own user or of a service account, in session 0 or the tray's own session, is the
// engine's kind of process. The system's answers come through ProcessDirectory.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "port_holder.h"

namespace PeerCheck {

// One end of an IPv4 TCP connection, in host byte order.
struct Endpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};

struct Connection {
    Endpoint ours;
    Endpoint engine;
};

class ProcessDirectory {
public:
    // The process owning the engine's end of the connection; 0 when the system names none.
    virtual std::uint32_t engineEndOwner(const Connection& connection) const = 0;
    // User and session of a running process; nothing when the system does not list it.
    virtual std::optional<Process> process(std::uint32_t pid) const = 0;
    virtual std::uint32_t selfPid() const = 0;

protected:
    ~ProcessDirectory() = default;
};

enum class Verdict {
    Accepted,
    Unverified,  // the system names no owner, or not who we are: nothing to judge by
    Refused,
};

struct Decision {
    Verdict verdict = Verdict::Unverified;
    Process owner;  // the pid and whatever is known of it
};

// SYSTEM, LOCAL SERVICE, NETWORK SERVICE and the per-service virtual accounts.
bool isServiceAccount(std::wstring_view sid);

Decision decide(const ProcessDirectory& directory, const Connection& connection);

}  // namespace PeerCheck
