// Benchmark: a long stream of frames through reassembly, decoding and dispatch, against a plain
// memcpy of the same bytes. Prints figures; never fails on them.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "frame.h"
#include "frame_reader.h"
#include "message_dispatch.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

void appendFrame(Bytes& stream, std::uint16_t type, const std::string& body) {
    std::uint8_t header[Framing::kHeaderSize];
    Framing::writeHeader({type, static_cast<std::int32_t>(body.size())}, header);
    stream.insert(stream.end(), header, header + Framing::kHeaderSize);
    stream.insert(stream.end(), body.begin(), body.end());
}

std::string statsBody(int i) {
    return std::to_string(i % 32) + "|120|0|0|2|0|12|0|1048576|73400320|1073741824|4000|1700000000000|1700003600000";
}

std::string computersBody() {
    std::string body = "x";
    for (int i = 0; body.size() < 64 * 1024 - 80; ++i) {
        body += "|" + std::to_string(1000 + i) + ",Computer " + std::to_string(i) + ",10.0." + std::to_string(i % 256) +
                ".7,4242,,false,,,true,,,1500000000000,";
    }
    return body;
}

// One block of frames, cycled to make streams of any length without holding them in memory.
Bytes makeBlock(int statsPerList, bool withLists) {
    Bytes block;
    const std::string list = computersBody();
    for (int n = 0; n < 16; ++n) {
        for (int i = 0; i < statsPerList; ++i) appendFrame(block, 0x005F, statsBody(i));
        if (withLists) appendFrame(block, 0xFD63, list);
    }
    return block;
}

class CyclicSource : public Framing::ByteSource {
public:
    CyclicSource(const Bytes& block, std::size_t total) : block_(block), left_(total) {}
    int receive(std::uint8_t* buffer, int size) override {
        const std::size_t count = std::min({static_cast<std::size_t>(size), block_.size() - offset_, left_});
        std::memcpy(buffer, block_.data() + offset_, count);
        offset_ = (offset_ + count) % block_.size();
        left_ -= count;
        return static_cast<int>(count);
    }
    bool done() const { return left_ == 0; }

private:
    const Bytes& block_;
    std::size_t left_;
    std::size_t offset_ = 0;
};

class Counter : public VaultwickMessageHandler {
public:
    long long computers = 0, stats = 0;
    void onComputers(const Messages::ComputersMessage& m) override { computers += static_cast<long long>(m.getComputers().size()); }
    void onComputerConnected(std::int64_t) override {}
    void onComputerDisconnected(std::int64_t) override {}
    void onStatusTray(const Messages::StatusTrayMessage&) override {}
    void onBackupStatsSummary(const Messages::BackupStats& s) override { stats += s.flags >= 0; }
    void onTestRepeat() override {}
    void onAlertCount(int) override {}
    void onShutdown() override {}
    void onTrayPopup(int) override {}
};

struct Result {
    double seconds;
    long long frames;
    std::size_t largestBuffer;
};

// Stream bytes are cut at the block end, so the total is rounded to whole blocks.
std::size_t wholeBlocks(const Bytes& block, std::size_t bytes) {
    return std::max<std::size_t>(1, bytes / block.size()) * block.size();
}

Result runProtocol(const Bytes& block, std::size_t total, bool decode = true) {
    CyclicSource source(block, total);
    Framing::FrameReader reader;
    Counter counter;
    long long frames = 0;
    const auto start = Clock::now();
    for (;;) {
        if (reader.readOnce(source) != Framing::FrameReader::Step::Frame) {
            if (source.done() && reader.lastReadCount() == 0) break;
            continue;
        }
        if (decode) Messages::dispatchFrame(reader.typeId(), reader.body(), reader.length(), counter);
        ++frames;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return {seconds, frames, reader.bufferCapacity()};
}

double runMemcpy(const Bytes& block, std::size_t total) {
    Bytes target(64 * 1024);
    CyclicSource source(block, total);
    const auto start = Clock::now();
    while (!source.done()) source.receive(target.data(), static_cast<int>(target.size()));
    volatile std::uint8_t keep = target[target.size() / 2];
    (void)keep;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void report(const char* name, const Bytes& block) {
    const std::size_t total = wholeBlocks(block, 200u * 1024 * 1024);
    const Result r = runProtocol(block, total);
    const double copy = runMemcpy(block, total);
    const Result framing = runProtocol(block, total, false);
    const double mb = static_cast<double>(total) / (1024.0 * 1024.0);
    std::printf("%-10s %8.0f MB  %12.0f frames/s  %9.1f MB/s  memcpy %9.1f MB/s  ratio %.3f  largest buffer %zu B\n",
                name, mb, static_cast<double>(r.frames) / r.seconds, mb / r.seconds, mb / copy, copy / r.seconds,
                r.largestBuffer);
    std::printf("%-10s reassembly alone: %12.0f frames/s  %9.1f MB/s  ratio %.3f\n", name,
                static_cast<double>(framing.frames) / framing.seconds, mb / framing.seconds, copy / framing.seconds);

    const std::size_t small = wholeBlocks(block, 1u * 1024 * 1024);
    const std::size_t large = wholeBlocks(block, 100u * 1024 * 1024);
    double smallSeconds = 0;
    const int repeats = static_cast<int>(large / small);
    for (int i = 0; i < repeats; ++i) smallSeconds += runProtocol(block, small).seconds;
    const double smallNs = smallSeconds * 1e9 / (static_cast<double>(small) * repeats);
    const double largeNs = runProtocol(block, large).seconds * 1e9 / static_cast<double>(large);
    std::printf("%-10s time per byte: %.3f ns (%.1f MB streams x%d)  %.3f ns (%.1f MB stream)  change %+.1f %%\n", name,
                smallNs, static_cast<double>(small) / 1048576.0, repeats, largeNs, static_cast<double>(large) / 1048576.0,
                (largeNs / smallNs - 1.0) * 100.0);
}

}  // namespace

// An optional argument names the one mix to run (stats, lists64k or mixed), for profiling.
int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    const auto wanted = [&](const char* name) { return only.empty() || only == name; };
    const long rssBefore = peakRssKb();
    const Bytes smallStats = makeBlock(4096, false);
    const Bytes lists = makeBlock(0, true);
    const Bytes mixed = makeBlock(64, true);
    std::printf("frame block sizes: stats %zu B, lists %zu B, mixed %zu B\n", smallStats.size(), lists.size(),
                mixed.size());
    const long rssBlocks = peakRssKb();
    if (wanted("stats")) report("stats", smallStats);
    if (wanted("lists64k")) report("lists64k", lists);
    if (wanted("mixed")) report("mixed", mixed);
    const long rssAfter = peakRssKb();
    std::printf("peak RSS: %ld KiB at start, %ld KiB with the frame blocks, %ld KiB after 3 x 400 MB of streams "
                "(growth during streaming %ld KiB)\n",
                rssBefore, rssBlocks, rssAfter, rssAfter - rssBlocks);
    return 0;
}
