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
#include <string>
#include <thread>
#include <vector>

#include "bench_support_win.h"
#include "kov_text_win.h"
#include "socket_win.h"

namespace {

using TrayBench::appendFrame;
using TrayBench::kRecords;
using TrayBench::nowMs;
using TrayBench::pumpUntil;

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

    TrayBench::ConnectedTray tray({});
    if (!tray.error.empty()) return std::printf("%s\n", tray.error.c_str()), 1;
    const SOCKET engineSocket = tray.engine.get();
    LoopbackServer& server = tray.server;
    TrayBench::TipWatch& shell = tray.shell;
    const std::wstring* tips = tray.tips;

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
    return 0;
}
