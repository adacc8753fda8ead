#pragma once
// The modal "How long would you like to sleep?" dialog (resource 118).
#include <windows.h>

#include <cstdint>

namespace SleepDialog {

// Hours chosen (1, 2, 4, 24 or 48), SleepChoice::kCancelled for Cancel, below 1 when the dialog
// could not be shown.
std::int32_t show(HWND owner);

}  // namespace SleepDialog
