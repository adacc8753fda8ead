// Fuzz target: the frame reader over reads of varying sizes, and every body decoder on what it
// yields. Also checks that a decoded token body encodes back to the bytes it came from.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "computer_record.h"
#include "frame_reader.h"
#include "incoming_messages.h"
#include "message_dispatch.h"
#include "tray_log.h"

namespace {

// Serves the input in reads whose sizes come from the input's first byte, so the fuzzer also
// explores how frames are split across reads.
class SplitSource : public Framing::ByteSource {
public:
    SplitSource(const std::uint8_t* data, std::size_t size, std::uint8_t pattern)
        : data_(data), size_(size), pattern_(pattern) {}
    int receive(std::uint8_t* buffer, int size) override {
        // Bit n of the pattern set: read n (mod 8) takes one byte; otherwise up to 64.
        const std::size_t step = ((pattern_ >> (reads_ % 8)) & 1) ? 1 : 1 + (reads_ * 7) % 64;
        ++reads_;
        const std::size_t count = std::min({static_cast<std::size_t>(size), step, size_ - offset_});
        std::memcpy(buffer, data_ + offset_, count);
        offset_ += count;
        return static_cast<int>(count);
    }
    bool exhausted() const { return offset_ == size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
    std::uint8_t pattern_;
    unsigned reads_ = 0;
};

class Consumer : public VaultwickMessageHandler {
public:
    void onComputers(const Messages::ComputersMessage& message) override {
        for (const auto& c : message.getComputers()) {
            take(c.id);
            take(c.port);
            take(static_cast<long long>(c.name.size() + c.address.size()));
        }
    }
    void onComputerConnected(std::int64_t id) override { take(id); }
    void onComputerDisconnected(std::int64_t id) override { take(id); }
    void onStatusTray(const Messages::StatusTrayMessage& m) override {
        take(m.loggedIn + m.upgrading + static_cast<long long>(m.applicationName.size()));
    }
    void onBackupStatsSummary(const Messages::BackupStats& s) override {
        take(s.flags);
        take(s.totalBytes);
        take(s.nextBackupTime);
    }
    void onTestRepeat() override { take(1); }
    void onAlertCount(int count) override { take(count); }
    void onShutdown() override { take(1); }
    void onTrayPopup(int value) override { take(value); }

private:
    // Unsigned, so that summing arbitrary values is defined; volatile keeps the decoding alive.
    void take(long long value) { sink_ = sink_ + static_cast<unsigned long long>(value); }
    volatile unsigned long long sink_ = 0;
};

// A token message that keeps every token; the received ones keep only what they read.
class AllTokens : public Messages::TokenMessage {
public:
    using TokenMessage::TokenMessage;
    std::uint16_t getTypeId() const override { return 0; }
    std::wstring getClassName() const override { return L""; }
};

// Token bodies without zero bytes must encode back to exactly their bytes.
void checkRoundTrip(const std::uint8_t* body, std::int32_t length) {
    if (length <= 0 || std::memchr(body, 0, static_cast<std::size_t>(length))) return;
    const AllTokens message(body, length);
    const Messages::Bytes encoded = message.toBytes();
    if (message.getLength() != length || encoded.size() != static_cast<std::size_t>(length) + 1 ||
        std::memcmp(encoded.data(), body, static_cast<std::size_t>(length)) != 0) {
        __builtin_trap();
    }
}

// Dispatch drops a frame whose decoding or handling throws, and only logs it: here that is a fault.
void trapOnDroppedFrames() {
    static const bool installed = [] {
        TrayLog::setSink([](std::wstring_view, std::wstring_view, std::wstring_view text) {
            if (text.substr(0, 24) == L"Unable to handle message") __builtin_trap();
        });
        return true;
    }();
    (void)installed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    trapOnDroppedFrames();
    if (size < 1) return 0;
    SplitSource source(data + 1, size - 1, data[0]);
    Framing::FrameReader reader;
    Consumer consumer;
    // Every step takes a frame or reads at least one byte, so this ends; the bound is a second guard.
    for (std::size_t i = 0; i <= 2 * size + 2; ++i) {
        const auto step = reader.readOnce(source);
        if (step == Framing::FrameReader::Step::Refused) break;
        if (step != Framing::FrameReader::Step::Frame) {
            if (source.exhausted() && reader.lastReadCount() == 0) break;
            continue;
        }
        Messages::dispatchFrame(reader.typeId(), reader.body(), reader.length(), consumer);
        checkRoundTrip(reader.body(), reader.length());
    }
    // The computer record decoder on the raw input as one token.
    const std::wstring token(data, data + size);
    Messages::decodeComputer(token);
    return 0;
}
