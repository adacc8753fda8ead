#pragma once
// Reassembles frames from reads of any size: the header may arrive in pieces, the body over many
// reads, and one read may bring many frames. A read takes as much as the connection holds (up to
// the receive buffer), so a burst of small frames costs one system call per buffer, not two per
// frame.
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

    // The next frame from what was read already; Pending when none is complete. Reads nothing.
    Step next();
    // One read of the source into the receive buffer (a large body straight into its own); the
    // count, 0 when nothing was read. Call next() until Pending before reading again.
    int read(ByteSource& source);
    // next(), and when that finds nothing complete, one read() and next() again.
    Step readOnce(ByteSource& source);

    // The last complete frame; body() stays valid until the next next(), readOnce() or reset(). A frame
    // with zero or negative length has length() 0.
    std::uint16_t typeId() const { return header_.typeId; }
    const std::uint8_t* body() const { return buffer_.get(); }
    std::int32_t length() const { return header_.length; }

    // Bytes the last read got: 0 when the source had nothing (or readOnce() did not need to read).
    int lastReadCount() const { return lastReadCount_; }

    // Drops a partly received frame and whatever was read after it, so the next read starts at a header.
    void reset();
    // Size of the body buffer now held: bounded by the largest frame seen, never by the stream.
    std::size_t bufferCapacity() const { return capacity_; }

private:
    bool prepareBody(std::int32_t length);

    int lastReadCount_ = 0;
    // Bytes read but not yet taken: [begin_, end_) of a fixed buffer allocated at the first read.
    std::unique_ptr<std::uint8_t[]> inbox_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool inBody_ = false;
    Header header_;
    std::int32_t bodyReceived_ = 0;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t capacity_ = 0;
};

}  // namespace Framing
