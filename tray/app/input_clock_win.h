#pragma once
// The system's record of the last user input, for the activity check.
#include "activity_monitor.h"

class SystemInputClock final : public InputClock {
public:
    bool lastInputTick(std::uint32_t& tick) const override;
};

const InputClock& systemInputClock();
