#pragma once
// Tells the engine when the user goes idle and when they come back: one report when no input came
// for a whole tick, one when input starts again, none while the state holds.
#include <cstdint>
#include <optional>

// The tick count of the last keyboard or mouse input (GetLastInputInfo on Windows).
class InputClock {
public:
    // False when the system cannot tell.
    virtual bool lastInputTick(std::uint32_t& tick) const = 0;

protected:
    ~InputClock() = default;
};

class ActivityMonitor {
public:
    explicit ActivityMonitor(const InputClock& clock) : clock_(clock) {}

    // One activity-timer tick: the tick to report when idleness changed, otherwise nothing.
    std::optional<std::uint32_t> check();
    bool idle() const { return idle_; }

private:
    const InputClock& clock_;
    bool idle_ = false;
    std::uint32_t lastInputTick_ = 0;
};
