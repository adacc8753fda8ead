#pragma once
// The connection the protocol drives: the Winsock socket in the tray, an in-memory fake in tests.
#include <cstdint>
#include <string>

#include "byte_source.h"
#include "peer_check.h"

class ByteChannel : public Framing::ByteSource {
public:
    // Creates the socket (and its event posting); false when that fails.
    virtual bool open() = 0;
    // Starts connecting; completion is reported later as a write event.
    virtual bool connect(const std::wstring& host, int port) = 0;
    virtual bool isOpen() const = 0;
    virtual bool isConnected() const = 0;
    // One send of the buffer: the count accepted, or -1.
    virtual int send(const std::uint8_t* bytes, int length) = 0;
    virtual void close() = 0;
    // Both ends of the live connection; false when they cannot be read.
    virtual bool ends(PeerCheck::Connection& connection) const = 0;
};
