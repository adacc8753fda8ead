#pragma once
// Helpers of the tray application's Wine tests: bounded waits with a message pump, and the frames
// the reference engine recorded, as "Class body" lines.
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine_control.h"

namespace AppWinTest {

// A wait for the tray or the engine, made longer where programs run many times slower than usual
// (under user-mode emulation the test entry sets VW_TIME_SCALE).
inline int stretched(int ms) {
    static const int scale = [] {
        const char* text = std::getenv("VW_TIME_SCALE");
        const int value = text ? std::atoi(text) : 1;
        return value > 0 ? value : 1;
    }();
    return ms * scale;
}

// Runs this thread's messages until `done` or `timeoutMs`; a quit message sets *quit and ends it.
template <typename Done>
bool pumpUntil(Done done, int timeoutMs, bool* quit = nullptr) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(stretched(timeoutMs));
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count() < 50 ? left.count() : 50),
                                  QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                if (quit) *quit = true;
                return done();
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

inline void pumpFor(int ms) {
    pumpUntil([] { return false; }, ms);
}

// Polls without a message pump (for a test that watches another process).
template <typename Done>
bool waitUntil(Done done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(stretched(timeoutMs));
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Sleep(50);
    }
    return true;
}

inline std::string shortName(const std::string& className) {
    const auto dot = className.find_last_of('.');
    return dot == std::string::npos ? className : className.substr(dot + 1);
}

// One line per frame of a connection: "announce <class>" for a ClassMessage, "<Class> <body>"
// otherwise. `skip` names classes left out (with their announcements).
inline std::vector<std::string> frameLines(const std::vector<EngineRecord::Frame>& frames, int connection,
                                           const std::vector<std::string>& skip = {}) {
    auto skipped = [&](const std::string& name) {
        for (const auto& s : skip) {
            if (shortName(name) == s) return true;
        }
        return false;
    };
    std::vector<std::string> lines;
    for (const auto& f : frames) {
        if (f.connection != connection) continue;
        if (f.typeId == 0x8063) {
            const auto tokens = f.tokens();
            const std::string named = tokens.size() > 1 ? tokens[1] : "?";
            if (!skipped(named)) lines.push_back("announce " + named);
        } else if (!skipped(f.className)) {
            lines.push_back(shortName(f.className) + (f.body.empty() ? "" : " " + f.body));
        }
    }
    return lines;
}

inline int countOf(const std::vector<EngineRecord::Frame>& frames, const std::string& shortClass,
                   const std::string& body = "\x01any") {
    int n = 0;
    for (const auto& f : frames) {
        if (f.typeId != 0x8063 && shortName(f.className) == shortClass && (body == "\x01any" || f.body == body)) ++n;
    }
    return n;
}

inline int connectionsAccepted(EngineControl& engine) {
    auto value = EngineRecord::replyValue(engine.command("STATE"), "conns");
    return value ? static_cast<int>(*value) : -1;
}

// The handshake after a connect as the engine records it; the start time is given by the caller.
inline std::vector<std::string> expectedHandshake(const std::string& startTime) {
    const std::string ui = "com.morvaine.service.ui.message.";
    return {
        "announce " + ui + "LogMessage",
        "LogMessage INFO|SysTray| |VaultwickApp::onSocketConnect|Connecting to VaultwickService...",
        "announce com.tessik.messaging.ui.message.SetMessageTypeMessage",
        "SetMessageTypeMessage " + ui + "ITrayMessage|" + startTime,
        "announce " + ui + "StatusQueryMessage",
        "StatusQueryMessage QMV",
        "announce " + ui + "GetComputersMessage",
        "GetComputersMessage false",
        "announce " + ui + "GetBackupStatsSummaryMessage",
        "GetBackupStatsSummaryMessage",
        "announce " + ui + "AlertRequestMessage",
        "AlertRequestMessage",
        "LogMessage INFO|SysTray| |VaultwickApp::onSocketConnect|CONNECTED to VaultwickService",
    };
}

// Statistics bodies: flags, then the other 13 tokens.
inline std::string statsBody(int flags, long long pausedUntilMs = 0) {
    return std::to_string(flags) + "|5|0|" + std::to_string(pausedUntilMs) + "|2|0|42|0|1000|5000|10000|10|0|0";
}

}  // namespace AppWinTest
