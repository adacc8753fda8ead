#pragma once
// Reassembles frames from reads of any size: the header may arrive in pieces, the body over many
// reads. Each readOnce() does exactly one read, as one read event of the socket allows; the system
// signals again while data remain.
#include <cstdint>
#include <memory>

#include "byte_source.h"
#include "frame.h"

namespace Framing {

class FrameReader {
public:
    enum class Step {
        Pending,    // nothing complete yet (or nothing read)
        Frame,      // a whole frame: typeId(), body(), length()
        Refused,    // a header announced more than kMaxBodyLength, or memory for the body ran out;
                    // length() tells how much. The stream cannot go on from here.
    };

    Step readOnce(ByteSource& source);

    // The last complete frame; body() stays valid until the next readOnce() or reset(). A frame
    // with zero or negative length has length() 0.
    std::uint16_t typeId() const { return header_.typeId; }
    const std::uint8_t* body() const { return buffer_.get(); }
    std::int32_t length() const { return header_.length; }

    // Bytes the last readOnce() got: 0 when the source had nothing.
    int lastReadCount() const { return lastReadCount_; }

    // Drops a partly received frame, so the next read starts at a header.
    void reset();
    // Size of the body buffer now held: bounded by the largest frame seen, never by the stream.
    std::size_t bufferCapacity() const { return capacity_; }

private:
    bool prepareBody(std::int32_t length);

    int lastReadCount_ = 0;
    std::uint8_t headerBytes_[kHeaderSize] = {};
    std::size_t headerReceived_ = 0;
    bool inBody_ = false;
    Header header_;
    std::int32_t bodyReceived_ = 0;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t capacity_ = 0;
};

}  // namespace Framing
