#pragma once
// The frame sequence of the tray icon's animation: icon ids shown in list order, cyclically, one
// per timer tick, starting with the first one.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace KovToolkit {

class TrayAnimation {
public:
    // An empty list is treated as no animation.
    void start(std::vector<std::uint16_t> frames);
    void stop() { running_ = false; }
    bool running() const { return running_; }
    // The frame to show at this tick; the next tick shows the one after it.
    std::uint16_t advance();
    std::uint16_t first() const { return frames_.empty() ? 0 : frames_.front(); }
    const std::vector<std::uint16_t>& frames() const { return frames_; }

private:
    std::vector<std::uint16_t> frames_;
    std::size_t nextFrame_ = 0;
    bool running_ = false;
};

}  // namespace KovToolkit
