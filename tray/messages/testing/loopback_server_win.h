#pragma once
// Test helper: a TCP server on 127.0.0.1 at an ephemeral port. A listener thread accepts; the test
// thread takes the accepted connections and talks over them with bounded waits.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "unique_handle_win.h"

class LoopbackServer {
public:
    LoopbackServer() {
        listener_.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_.get(), 4);
        int size = sizeof address;
        ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { acceptLoop(); });
    }

    ~LoopbackServer() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        thread_.join();
        for (SOCKET client : accepted_) ::closesocket(client);
    }

    int port() const { return port_; }

    // The next accepted connection, or an invalid socket after about `ms` milliseconds.
    Win::UniqueSocket nextClient(int ms = 5000) {
        std::unique_lock<std::mutex> lock(mutex_);
        accepted_cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !accepted_.empty(); });
        if (accepted_.empty()) return Win::UniqueSocket();
        Win::UniqueSocket client(accepted_.front());
        accepted_.pop_front();
        return client;
    }

    static bool sendAll(SOCKET client, const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const int sent = ::send(client, reinterpret_cast<const char*>(bytes.data() + done),
                                    static_cast<int>(bytes.size() - done), 0);
            if (sent <= 0) return false;
            done += static_cast<std::size_t>(sent);
        }
        return true;
    }

    // Reads until `count` bytes came, the peer closed, or about `ms` milliseconds passed.
    static std::vector<std::uint8_t> readBytes(SOCKET client, std::size_t count, int ms = 5000) {
        std::vector<std::uint8_t> bytes;
        for (int waited = 0; bytes.size() < count && waited < ms; waited += 50) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(client, &readable);
            timeval step{0, 50 * 1000};
            if (::select(0, &readable, nullptr, nullptr, &step) <= 0) continue;
            char buffer[4096];
            const int want = static_cast<int>(std::min<std::size_t>(sizeof buffer, count - bytes.size()));
            const int got = ::recv(client, buffer, want, 0);
            if (got <= 0) break;
            bytes.insert(bytes.end(), buffer, buffer + got);
        }
        return bytes;
    }

private:
    void acceptLoop() {
        for (int i = 0; i < 1200; ++i) {  // at most about two minutes
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stopping_) return;
            }
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(listener_.get(), &readable);
            timeval step{0, 100 * 1000};
            if (::select(0, &readable, nullptr, nullptr, &step) <= 0) continue;
            const SOCKET client = ::accept(listener_.get(), nullptr, nullptr);
            if (client == INVALID_SOCKET) continue;
            std::lock_guard<std::mutex> lock(mutex_);
            accepted_.push_back(client);
            accepted_cv_.notify_all();
        }
    }

    Win::UniqueSocket listener_;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable accepted_cv_;
    std::deque<SOCKET> accepted_;
    bool stopping_ = false;
};
