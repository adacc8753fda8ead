#pragma once
// Native (Linux) link to the reference engine: a POSIX socket, and the java process it belongs to,
// which is waited for (and killed if it will not end) when the link goes.
#include "engine_control.h"

#include <sys/types.h>

class PosixEngineLink : public EngineLink {
public:
    PosixEngineLink(int socket, pid_t process);
    ~PosixEngineLink() override;
    PosixEngineLink(const PosixEngineLink&) = delete;
    PosixEngineLink& operator=(const PosixEngineLink&) = delete;

    int receiveSome(char* buffer, int size, int timeoutMs) override;
    bool sendAll(const std::string& bytes) override;

private:
    int socket_;
    pid_t process_;
};
