// Benchmark (not a test): a peer that writes without pause. The real controller runs in this
// process; a loopback server plays the engine and, for the whole run, writes frames as fast as the
// connection takes them, changing the record every 250 ms. Meanwhile another thread double-clicks
// the icon every 200 ms, posting the shell's callback message as the notification area does.
// Measured: how far the tooltip lags behind each change of record (the largest and the median lag,
// and changes never shown), how long each click takes to start the main program, how many messages
// the window's queue held ahead of each click (the longest), and clicks the queue refused.
// Streams: "records" writes only the current record; "activity" writes it after a copy of it that
// shows activity, pair after pair, so the activity flag alternates at every frame; "tiny" writes
// 7-byte alert counts with one frame of the current record among every 1,024 of them.
// Prints figures; never fails on one.   tray_stream_bench [seconds] [records|activity|tiny]
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench_support_win.h"
#include "kov_text_win.h"
#include "socket_win.h"
#include "tray_resource_ids.h"

namespace {

using TrayBench::appendFrame;
using TrayBench::kRecords;
using TrayBench::nowMs;

constexpr double kRecordPeriodMs = 250;
constexpr DWORD kClickPeriodMs = 200;

// What the writer sends, over and over, while record r is the current one.
std::vector<std::uint8_t> blockOf(const std::string& stream, int r) {
    std::vector<std::uint8_t> block;
    const std::string record = kRecords[r];
    const std::string active = "69" + record.substr(2);  // the same record, backing up
    const int records = stream == "tiny" ? 4 : 256;
    for (int i = 0; i < records; ++i) {
        for (int k = 0; stream == "tiny" && k < 1023; ++k) appendFrame(block, "0", 0x009B);
        if (stream == "activity") appendFrame(block, active);
        appendFrame(block, record);
    }
    return block;
}

struct Click {
    double postedAt;
    std::uint64_t dispatchedBefore;  // messages the pump had dispatched when it was posted
};

double percentile(std::vector<double> values, double share) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(share * (values.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const std::string stream = argc > 2 ? argv[2] : "records";
    KovToolkit::setModuleInstance(GetModuleHandleW(nullptr));
    KovToolkit::WinsockSession winsock;
    if (!winsock.started()) return std::printf("no Winsock\n"), 1;

    std::atomic<std::uint64_t> dispatched{0};
    std::mutex clicksLock;
    std::vector<Click> clicks;  // in posting order; answered ones are matched in that order
    std::vector<double> clickLatencies;
    std::vector<double> queueAhead;
    std::size_t answered = 0;
    AppServices services;
    services.startProgram = [&](const std::wstring&, const std::wstring&) {
        std::lock_guard<std::mutex> lock(clicksLock);
        if (answered >= clicks.size()) return;
        const Click& click = clicks[answered++];
        clickLatencies.push_back(nowMs() - click.postedAt);
        queueAhead.push_back(static_cast<double>(dispatched.load() - click.dispatchedBefore));
    };
    TrayBench::ConnectedTray tray(services);
    if (!tray.error.empty()) return std::printf("%s\n", tray.error.c_str()), 1;
    const HWND window = tray.app->window();
    const UINT callback = RegisterWindowMessageW(L"com.morvaine.tray.icon.message--104");

    const std::vector<std::uint8_t> blocks[2] = {blockOf(stream, 0), blockOf(stream, 1)};
    std::atomic<bool> stop{false};
    std::vector<std::pair<double, int>> switches;  // when the writer began each record
    std::uint64_t bytesWritten = 0;
    const double start = nowMs();
    const SOCKET engineSocket = tray.engine.get();
    // The writer's own backlog is not the tray's lag: left to grow, the system's send buffer holds
    // megabytes (about 190 ms of frames here) that the tray has not been handed yet.
    const int sendBuffer = 64 * 1024;
    ::setsockopt(engineSocket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&sendBuffer), sizeof sendBuffer);
    std::thread writer([&] {
        int record = 0;
        switches.push_back({nowMs(), record});
        while (!stop.load()) {
            if (nowMs() - switches.back().first >= kRecordPeriodMs) {
                record = 1 - record;
                switches.push_back({nowMs(), record});
            }
            if (!LoopbackServer::sendAll(engineSocket, blocks[record])) break;
            bytesWritten += blocks[record].size();
        }
    });
    int refusedPosts = 0;
    std::thread clicker([&] {
        while (!stop.load()) {
            Sleep(kClickPeriodMs);
            std::lock_guard<std::mutex> lock(clicksLock);
            const Click click{nowMs(), dispatched.load()};
            if (PostMessageW(window, callback, IDI_TRAY_GOOD, WM_LBUTTONDBLCLK)) {
                clicks.push_back(click);
            } else {
                ++refusedPosts;
            }
        }
    });

    auto pumpFor = [&](double untilMs) {
        TrayBench::pumpUntil([&] { return nowMs() >= untilMs; }, static_cast<int>(untilMs - nowMs()) + 1000,
                             &dispatched);
    };
    pumpFor(start + seconds * 1000.0);
    stop.store(true);
    clicker.join();
    // The writer may be blocked on a full connection: keep reading until it has returned.
    pumpFor(nowMs() + 2000);
    ::shutdown(engineSocket, SD_SEND);
    writer.join();
    const double elapsedMs = nowMs() - start;

    // Lag of each change of record: until the tooltip first showed it (changes in the last second are
    // left out, their answer may still be on its way).
    std::vector<double> lags;
    int neverShown = 0;
    for (const auto& [at, record] : switches) {
        if (at > start + seconds * 1000.0 - 1000) break;
        double shownAt = -1;
        for (const auto& change : tray.shell.changes) {
            if (change.at >= at && change.tip == tray.tips[record]) {
                shownAt = change.at;
                break;
            }
        }
        if (shownAt < 0) {
            ++neverShown;
        } else {
            lags.push_back(shownAt - at);
        }
    }
    std::lock_guard<std::mutex> lock(clicksLock);
    std::printf("lags_ms=");
    for (double lag : lags) std::printf(" %.0f", lag);
    std::printf("\n");
    std::printf("tip_lag_max_ms=%.1f tip_lag_median_ms=%.1f tip_changes_never_shown=%d click_max_ms=%.1f "
                "click_median_ms=%.1f clicks_unanswered=%zu clicks_refused=%d queue_ahead_max=%.0f "
                "mb_per_s=%.1f record_changes=%zu clicks=%zu\n",
                percentile(lags, 1.0), percentile(lags, 0.5), neverShown, percentile(clickLatencies, 1.0),
                percentile(clickLatencies, 0.5), clicks.size() - answered, refusedPosts, percentile(queueAhead, 1.0),
                bytesWritten / 1e6 / (elapsedMs / 1000.0), lags.size() + neverShown, clicks.size());
    return 0;
}
