#pragma once
// What the tray benchmarks share: a millisecond clock, a shell that keeps the last tooltip, a
// message pump with a deadline, statistics frames, and the controller connected to a loopback
// "engine" with the tooltips of two idle records learnt.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "frame.h"
#include "loopback_server_win.h"
#include "vaultwick_app_win.h"

namespace TrayBench {

constexpr std::uint16_t kStatisticsType = 0x005F;
// Two idle records (no activity, so the tray does not start polling) whose tooltips differ.
inline const char* const kRecords[2] = {"68|5|0|0|1|0|42|0|1000|5000|10000|10|0|0",
                                        "68|0|0|0|2|0|0|0|0|0|1073741824|1200|1700000000000|1700003600000"};

inline double nowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / ticksPerMs;
}

// Keeps the last tooltip and when it was handed over, and when each new one first came; shows nothing.
class TipWatch final : public KovToolkit::ShellNotify {
public:
    struct Change {
        double at;
        std::wstring tip;
    };
    bool request(DWORD, const NOTIFYICONDATAW& data) override {
        if (data.uFlags & NIF_TIP) {
            at = nowMs();
            if (tip != data.szTip) changes.push_back({at, data.szTip});
            tip = data.szTip;
        }
        return true;
    }
    std::wstring tip;
    double at = 0;
    std::vector<Change> changes;
};

// Runs this thread's messages until `done` or `timeoutMs`; `dispatched` counts every message.
template <typename Done>
bool pumpUntil(Done done, int timeoutMs, std::atomic<std::uint64_t>* dispatched = nullptr) {
    const double deadline = nowMs() + timeoutMs;
    while (!done()) {
        const double left = deadline - nowMs();
        if (left <= 0) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left < 50 ? left + 1 : 50), QS_ALLINPUT);
        MSG msg;
        // Bounded too: a queue refilled as fast as it is emptied must not hold the benchmark.
        while (nowMs() < deadline && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (dispatched) ++*dispatched;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

inline void appendFrame(std::vector<std::uint8_t>& bytes, const std::string& body,
                        std::uint16_t type = kStatisticsType) {
    std::uint8_t header[Framing::kHeaderSize];
    Framing::writeHeader({type, static_cast<std::int32_t>(body.size())}, header);
    bytes.insert(bytes.end(), header, header + Framing::kHeaderSize);
    bytes.insert(bytes.end(), body.begin(), body.end());
}

// The controller on a loopback "engine" whose reads of the tray's frames are dropped, so the tray's
// sends never block; tips[i] is the tooltip of kRecords[i].
class ConnectedTray {
public:
    explicit ConnectedTray(AppServices services) {
        services.shell = &shell;
        if (!services.startProgram) services.startProgram = [](const std::wstring&, const std::wstring&) {};
        app = std::make_unique<VaultwickApp>(L"", L"127.0.0.1", server.port(), false, services);
        if (!pumpUntil([&] { return (engine = server.nextClient(10)).valid(); }, 20000) ||
            !pumpUntil([&] { return app->model().connected; }, 20000)) {
            error = "the tray did not connect";
            return;
        }
        const SOCKET engineSocket = engine.get();
        drain = std::thread([engineSocket] {
            char sink[4096];
            while (::recv(engineSocket, sink, sizeof sink, 0) > 0) {
            }
        });
        for (int i : {0, 1, 0, 1}) {
            std::vector<std::uint8_t> one;
            appendFrame(one, kRecords[i]);
            const std::wstring before = shell.tip;
            LoopbackServer::sendAll(engineSocket, one);
            pumpUntil([&] { return !tips[i].empty() ? shell.tip == tips[i] : shell.tip != before; }, 5000);
            tips[i] = shell.tip;
        }
        if (tips[0] == tips[1]) error = "the two records give the same tooltip";
    }
    ~ConnectedTray() {
        app.reset();
        if (engine) ::shutdown(engine.get(), SD_BOTH);
        if (drain.joinable()) drain.join();
    }
    ConnectedTray(const ConnectedTray&) = delete;
    ConnectedTray& operator=(const ConnectedTray&) = delete;

    LoopbackServer server;
    TipWatch shell;
    std::unique_ptr<VaultwickApp> app;
    Win::UniqueSocket engine;
    std::wstring tips[2];
    std::string error;  // empty when connected and both tooltips are known

private:
    std::thread drain;
};

}  // namespace TrayBench
