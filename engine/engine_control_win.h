#pragma once
// Windows link to the reference engine over Winsock. Under Wine the engine is the Linux java,
// started with CreateProcessW on its Z: path; the process handle Wine returns for a Unix program
// cannot be waited on, so the engine's life is tied to the control line instead (it stops when the
// line closes) and to its --max-seconds.
#include "engine_control.h"
#include "unique_handle_win.h"

#include <string>

// Winsock stays initialised for as long as one of these lives.
class WinsockSession {
public:
    WinsockSession();
    ~WinsockSession();
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool ready() const { return ready_; }

private:
    bool ready_;
};

class WinsockEngineLink : public EngineLink {
public:
    explicit WinsockEngineLink(Win::UniqueSocket socket);
    int receiveSome(char* buffer, int size, int timeoutMs) override;
    bool sendAll(const std::string& bytes) override;

private:
    WinsockSession winsock_;
    Win::UniqueSocket socket_;
};

// "/usr/bin/java" -> L"Z:\usr\bin\java": how Wine shows the Unix root.
std::wstring unixPathToWine(const std::string& path);
// One command line of the arguments, each quoted when it holds a blank or a quote.
std::wstring commandLineOf(const std::vector<std::string>& arguments);
