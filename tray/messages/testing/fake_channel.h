#pragma once
// Test helper: a connection in memory. Reads are served from scripted chunks (one chunk per
// delivery, split further when the reader asks for less); sends are recorded, and can be made to
// accept only part of a frame.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "byte_channel.h"

class FakeChannel : public ByteChannel {
public:
    bool openSucceeds = true;
    bool opened = false;
    bool connected = false;
    bool peerClosed = false;  // once the chunks are used up, a read finds the peer closed
    bool endsReadable = true;
    int sendLimit = -1;       // bytes accepted per send; -1 takes everything
    int connectCalls = 0;
    std::deque<std::vector<std::uint8_t>> incoming;
    std::vector<std::uint8_t> sent;

    void deliver(std::vector<std::uint8_t> bytes) { incoming.push_back(std::move(bytes)); }

    bool open() override {
        if (!openSucceeds) return false;
        opened = true;
        connected = false;
        return true;
    }
    bool connect(const std::wstring& host, int port) override {
        ++connectCalls;
        lastHost = host;
        lastPort = port;
        return false;
    }
    bool isOpen() const override { return opened; }
    bool isConnected() const override { return connected; }
    int send(const std::uint8_t* bytes, int length) override {
        if (!opened || !connected) return -1;
        const int taken = sendLimit < 0 ? length : std::min(length, sendLimit);
        sent.insert(sent.end(), bytes, bytes + taken);
        return taken;
    }
    int receive(std::uint8_t* buffer, int size) override {
        ++reads;
        if (!opened) return 0;
        if (incoming.empty()) {
            if (peerClosed) close();
            return 0;
        }
        auto& chunk = incoming.front();
        const int count = std::min<int>(size, static_cast<int>(chunk.size()));
        std::memcpy(buffer, chunk.data(), static_cast<std::size_t>(count));
        chunk.erase(chunk.begin(), chunk.begin() + count);
        if (chunk.empty()) incoming.pop_front();
        return count;
    }
    void close() override {
        opened = false;
        connected = false;
    }
    bool ends(PeerCheck::Connection& connection) const override {
        connection = {{0x7F000001, 50123}, {0x7F000001, 4243}};
        return endsReadable && opened && connected;
    }

    std::wstring lastHost;
    int lastPort = 0;
    int reads = 0;
};
