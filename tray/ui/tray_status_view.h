#pragma once
// What the tray icon shows for a status model: the tooltip text (one to three lines) and the image
// or animation. Portable: texts come from the string table seam, numbers through the locale seam,
// and relative times from the given current time.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "kov_text.h"
#include "status_model.h"

namespace KovToolkit {

class Clock {
public:
    virtual std::int64_t nowSeconds() const = 0;  // seconds since 1970

protected:
    ~Clock() = default;
};

const Clock& systemClock();

}  // namespace KovToolkit

namespace TrayStatusView {

// A tip holds 127 characters; longer tips would be rejected and cleared.
constexpr std::size_t kTipMaxChars = 127;

// The tooltip for the model. A computer name that would make it too long is cut visibly.
std::wstring tooltip(const StatusModel& model, const KovToolkit::StringTable& strings,
                     const KovToolkit::NumberLocale& numbers, std::int64_t now);

// The icon ids to show: one id is a still image, more are an animation in that order.
std::vector<std::uint16_t> images(const StatusModel& model);

}  // namespace TrayStatusView
