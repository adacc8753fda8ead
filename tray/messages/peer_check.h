#pragma once
// Whether the process at the other end of the engine connection may be believed. Any program can
// bind the engine's port before the engine does. The engine runs inside a service (normally as
// LocalSystem, in another session) or as a program of the tray's own user. The check asks the system
// only what a standard user may ask: who owns the engine's end of the connection (the connection
// tables), which processes run the active services (the service manager), and the user of a process
// that opens for a limited query (another user's processes do not open). The system's answers come
// through ProcessDirectory.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// One row of the system's connection tables: a socket's own end, its other end, and the process
// that owns the socket (0 when the system names none).
struct ConnectionRow {
    Endpoint local;
    Endpoint remote;
    std::uint32_t owner = 0;
};

// The IPv4 address that an IPv4-mapped IPv6 address (::ffff:a.b.c.d) carries: a dual-stack socket
// sees an IPv4 peer that way. Nothing for any other IPv6 address.
std::optional<std::uint32_t> mappedIPv4(const std::uint8_t (&address)[16]);

// The owner named by the row whose own end is the engine's and whose other end is ours; the row of
// the other direction belongs to our own socket. Nothing without such a row.
std::optional<std::uint32_t> engineEndOwner(const std::vector<ConnectionRow>& rows, const Connection& connection);

class ProcessDirectory {
public:
    // The rows of the TCP connection tables, IPv4 and IPv6 (rows of IPv4-mapped addresses, as
    // IPv4); nothing when a table cannot be read.
    virtual std::optional<std::vector<ConnectionRow>> connections() const = 0;
    // The processes of the running Win32 services; nothing when the service manager cannot list them.
    virtual std::optional<std::vector<std::uint32_t>> servicePids() const = 0;
    // The user (string SID) of the process's token, when the process opens for a limited query.
    virtual std::optional<std::wstring> userOf(std::uint32_t pid) const = 0;
    // The executable's file name, only to name a process to the user; empty when unknown.
    virtual std::wstring imageOf(std::uint32_t pid) const = 0;
    virtual std::uint32_t selfPid() const = 0;

protected:
    ~ProcessDirectory() = default;
};

enum class Verdict {
    Undecided,   // the system could not be asked: this attempt fails, the next one asks again
    Accepted,
    Unverified,  // the system names no owner: nothing to judge by
    Refused,
};

struct Decision {
    Verdict verdict = Verdict::Undecided;
    Process owner;  // the pid, and the image once refused
};

// In this order: this process, a running service's process, a process of our own user: accepted;
// any other named owner: refused.
Decision decide(const ProcessDirectory& directory, const Connection& connection);

}  // namespace PeerCheck
