#include "activity_monitor.h"

std::optional<std::uint32_t> ActivityMonitor::check() {
    std::uint32_t tick = 0;
    if (!clock_.lastInputTick(tick)) return std::nullopt;
    const bool idle = tick == lastInputTick_;
    const bool changed = idle != idle_;
    lastInputTick_ = tick;
    idle_ = idle;
    if (!changed) return std::nullopt;
    return tick;
}
