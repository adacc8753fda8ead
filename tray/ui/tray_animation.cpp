#include "tray_animation.h"

#include <utility>

namespace KovToolkit {

void TrayAnimation::start(std::vector<std::uint16_t> frames) {
    frames_ = std::move(frames);
    nextFrame_ = 0;
    running_ = !frames_.empty();
}

std::uint16_t TrayAnimation::advance() {
    if (frames_.empty()) return 0;
    std::uint16_t frame = frames_[nextFrame_];
    nextFrame_ = (nextFrame_ + 1) % frames_.size();
    return frame;
}

}  // namespace KovToolkit
