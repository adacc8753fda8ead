// Benchmark (not a test): a burst of statistics frames through the tray. The real controller runs
// in this process (window, timers, socket, reassembly, dispatch, coalesced refresh); a loopback
// server plays the engine and writes 9,999 frames of one statistics record and then one of another
// in a single go. Measured: from the start of that write to the moment the shell is handed the
// tooltip of the last frame, and the frames per second that makes; the working set before and
// after; and as the floor, the same bytes over loopback read by a plain blocking loop. Prints
// figures; never fails on one.   tray_burst_bench [frames] [rounds]
#include <winsock2.h>
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "frame.h"
#include "kov_text_win.h"
#include "loopback_server_win.h"
#include "socket_win.h"
#include "vaultwick_app_win.h"

namespace {

constexpr std::uint16_t kStatisticsType = 0x005F;
// Two idle records (no activity, so the tray does not start polling) whose tooltips differ.
const char* const kRecords[2] = {"68|5|0|0|1|0|42|0|1000|5000|10000|10|0|0",
                                 "68|0|0|0|2|0|0|0|0|0|1073741824|1200|1700000000000|1700003600000"};

double nowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / ticksPerMs;
}

// Keeps the last tooltip and when it was handed over; shows nothing.
class TipWatch final : public KovToolkit::ShellNotify {
public:
    bool request(DWORD, const NOTIFYICONDATAW& data) override {
        if (data.uFlags & NIF_TIP) {
            tip = data.szTip;
            at = nowMs();
        }
        return true;
    }
    std::wstring tip;
    double at = 0;
};

// Runs this thread's messages until `done` or `timeoutMs`.
template <typename Done>
bool pumpUntil(Done done, int timeoutMs) {
    const double deadline = nowMs() + timeoutMs;
    while (!done()) {
        const double left = deadline - nowMs();
        if (left <= 0) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left < 50 ? left + 1 : 50), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

void appendFrame(std::vector<std::uint8_t>& bytes, const std::string& body) {
    std::uint8_t header[Framing::kHeaderSize];
    Framing::writeHeader({kStatisticsType, static_cast<std::int32_t>(body.size())}, header);
    bytes.insert(bytes.end(), header, header + Framing::kHeaderSize);
    bytes.insert(bytes.end(), body.begin(), body.end());
}

// The floor: the same bytes through a fresh loopback connection, read in 64 KiB blocking reads.
double floorMs(LoopbackServer& server, const std::vector<std::uint8_t>& bytes) {
    Win::UniqueSocket client(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(server.port()));
    if (::connect(client.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return -1;
    Win::UniqueSocket peer = server.nextClient();
    if (!peer) return -1;
    const double start = nowMs();
    std::thread writer([&] { LoopbackServer::sendAll(peer.get(), bytes); });
    std::vector<char> buffer(64 * 1024);
    std::size_t got = 0;
    while (got < bytes.size()) {
        const int n = ::recv(client.get(), buffer.data(), static_cast<int>(buffer.size()), 0);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    const double end = nowMs();
    writer.join();
    return got == bytes.size() ? end - start : -1;
}

std::size_t workingSetKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize / 1024;
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(2, std::atoi(argv[1])) : 10000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    KovToolkit::setModuleInstance(GetModuleHandleW(nullptr));
    KovToolkit::WinsockSession winsock;
    if (!winsock.started()) return std::printf("no Winsock\n"), 1;

    LoopbackServer server;
    TipWatch shell;
    AppServices services;
    services.shell = &shell;
    services.startProgram = [](const std::wstring&, const std::wstring&) {};
    auto app = std::make_unique<VaultwickApp>(L"", L"127.0.0.1", server.port(), false, services);

    Win::UniqueSocket engine;
    if (!pumpUntil([&] { return (engine = server.nextClient(10)).valid(); }, 20000) ||
        !pumpUntil([&] { return app->model().connected; }, 20000)) {
        return std::printf("the tray did not connect\n"), 1;
    }
    // What the tray sends (its handshake) is read and dropped, so its sends never block.
    const SOCKET engineSocket = engine.get();
    std::thread drain([engineSocket] {
        char sink[4096];
        while (::recv(engineSocket, sink, sizeof sink, 0) > 0) {
        }
    });

    // The tooltip of each record, seen once on its own.
    std::wstring tips[2];
    for (int i : {0, 1, 0, 1}) {
        std::vector<std::uint8_t> one;
        appendFrame(one, kRecords[i]);
        const std::wstring before = shell.tip;
        LoopbackServer::sendAll(engineSocket, one);
        pumpUntil([&] { return !tips[i].empty() ? shell.tip == tips[i] : shell.tip != before; }, 5000);
        tips[i] = shell.tip;
    }
    if (tips[0] == tips[1]) return std::printf("the two records give the same tooltip\n"), 1;

    std::vector<double> elapsed;
    std::vector<double> floors;
    const std::size_t memoryBefore = workingSetKiB();
    for (int round = 0; round < rounds; ++round) {
        const int filler = round % 2;
        const int last = 1 - filler;
        std::vector<std::uint8_t> one;
        appendFrame(one, kRecords[filler]);
        LoopbackServer::sendAll(engineSocket, one);
        if (!pumpUntil([&] { return shell.tip == tips[filler]; }, 5000)) return std::printf("no tooltip\n"), 1;
        std::vector<std::uint8_t> burst;
        for (int i = 0; i + 1 < frames; ++i) appendFrame(burst, kRecords[filler]);
        appendFrame(burst, kRecords[last]);

        const double start = nowMs();
        std::thread writer([&] { LoopbackServer::sendAll(engineSocket, burst); });
        const bool shown = pumpUntil([&] { return shell.tip == tips[last]; }, 60000);
        writer.join();
        if (!shown) return std::printf("round %d: the last frame never reached the tooltip\n", round + 1), 1;
        elapsed.push_back(shell.at - start);
        floors.push_back(floorMs(server, burst));
    }
    const std::size_t memoryAfter = workingSetKiB();

    auto medianOf = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    const double median = medianOf(elapsed);
    std::printf("frames=%d rounds=%d", frames, rounds);
    for (double ms : elapsed) std::printf(" %.1f", ms);
    std::printf("\nburst_ms=%.1f frames_per_s=%.0f floor_ms=%.1f ws_before_kib=%zu ws_after_kib=%zu\n", median,
                frames / (median / 1000.0), medianOf(floors), memoryBefore, memoryAfter);

    app.reset();
    ::shutdown(engineSocket, SD_BOTH);
    drain.join();
    return 0;
}
