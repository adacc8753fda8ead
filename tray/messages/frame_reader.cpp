#include "frame_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {
// A buffer grown for a rare large frame is given back when a smaller one follows.
constexpr std::size_t kKeptCapacity = 1024 * 1024;
// What one read may take: many small frames, or a large body's next piece.
constexpr std::size_t kInboxSize = 64 * 1024;
}  // namespace

Framing::FrameReader::Step Framing::FrameReader::next() {
    if (!inBody_) {
        if (end_ - begin_ < kHeaderSize) return Step::Pending;
        header_ = readHeader(inbox_.get() + begin_);
        begin_ += kHeaderSize;
        if (header_.length <= 0) {
            header_.length = 0;
            return Step::Frame;
        }
        if (header_.length > kMaxBodyLength || !prepareBody(header_.length)) return Step::Refused;
    }
    const std::size_t wanted = static_cast<std::size_t>(header_.length - bodyReceived_);
    const std::size_t taken = std::min(wanted, end_ - begin_);
    if (taken > 0) std::memcpy(buffer_.get() + bodyReceived_, inbox_.get() + begin_, taken);
    begin_ += taken;
    bodyReceived_ += static_cast<std::int32_t>(taken);
    if (bodyReceived_ < header_.length) return Step::Pending;
    inBody_ = false;
    return Step::Frame;
}

int Framing::FrameReader::read(ByteSource& source) {
    int count;
    if (inBody_ && static_cast<std::size_t>(header_.length - bodyReceived_) >= kInboxSize) {
        // What is left of a large body goes straight to its place.
        count = source.receive(buffer_.get() + bodyReceived_, header_.length - bodyReceived_);
        if (count > 0) bodyReceived_ += count;
    } else {
        if (!inbox_) {
            inbox_.reset(new (std::nothrow) std::uint8_t[kInboxSize]);
            if (!inbox_) return lastReadCount_ = 0;
        }
        // Only part of a header can be left over here: move it to the front.
        if (begin_ > 0) {
            std::memmove(inbox_.get(), inbox_.get() + begin_, end_ - begin_);
            end_ -= begin_;
            begin_ = 0;
        }
        if (end_ == kInboxSize) return lastReadCount_ = 0;
        count = source.receive(inbox_.get() + end_, static_cast<int>(kInboxSize - end_));
        if (count > 0) end_ += static_cast<std::size_t>(count);
    }
    lastReadCount_ = count > 0 ? count : 0;
    return lastReadCount_;
}

Framing::FrameReader::Step Framing::FrameReader::readOnce(ByteSource& source) {
    lastReadCount_ = 0;
    const Step buffered = next();
    if (buffered != Step::Pending) return buffered;
    if (read(source) == 0) return Step::Pending;
    return next();
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
    begin_ = 0;
    end_ = 0;
    inBody_ = false;
    bodyReceived_ = 0;
    header_ = {};
}
