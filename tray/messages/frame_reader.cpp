#include "frame_reader.h"

#include <new>

namespace {
// A buffer grown for a rare large frame is given back when a smaller one follows.
constexpr std::size_t kKeptCapacity = 1024 * 1024;
}  // namespace

Framing::FrameReader::Step Framing::FrameReader::readOnce(ByteSource& source) {
    if (!inBody_) {
        const int count = source.receive(headerBytes_ + headerReceived_, static_cast<int>(kHeaderSize - headerReceived_));
        lastReadCount_ = count > 0 ? count : 0;
        if (count <= 0) return Step::Pending;
        headerReceived_ += static_cast<std::size_t>(count);
        if (headerReceived_ < kHeaderSize) return Step::Pending;
        headerReceived_ = 0;
        header_ = readHeader(headerBytes_);
        if (header_.length <= 0) {
            header_.length = 0;
            return Step::Frame;
        }
        if (header_.length > kMaxBodyLength || !prepareBody(header_.length)) return Step::Refused;
        return Step::Pending;
    }
    const int count = source.receive(buffer_.get() + bodyReceived_, header_.length - bodyReceived_);
    lastReadCount_ = count > 0 ? count : 0;
    if (count <= 0) return Step::Pending;
    bodyReceived_ += count;
    if (bodyReceived_ < header_.length) return Step::Pending;
    inBody_ = false;
    return Step::Frame;
}

bool Framing::FrameReader::prepareBody(std::int32_t length) {
    const auto needed = static_cast<std::size_t>(length);
    if (capacity_ < needed || (capacity_ > kKeptCapacity && needed <= kKeptCapacity)) {
        buffer_.reset();  // before allocating, so two large buffers never coexist
        capacity_ = 0;
        buffer_.reset(new (std::nothrow) std::uint8_t[needed]);
        if (!buffer_) return false;
        capacity_ = needed;
    }
    inBody_ = true;
    bodyReceived_ = 0;
    return true;
}

void Framing::FrameReader::reset() {
    headerReceived_ = 0;
    inBody_ = false;
    bodyReceived_ = 0;
    header_ = {};
}
