#pragma once
// The online/offline dots of the menu's computer items. The resources hold the dots' coverage
// (32-bit, premultiplied alpha); menus paint check bitmaps as they are, so each dot is laid onto the
// colour the menu has when it is loaded, and its edge blends into that colour rather than into white.
#include <windows.h>

#include "unique_handle_win.h"

namespace MenuDot {

// The 200 % dots from 150 % on, where they are nearer to the menu's size than the 100 % ones.
bool largeAt(unsigned dpi);
// Dot resource `id` (the 200 % one when `large`) over `background`, opaque; null if it cannot be read.
Win::UniqueGdiObject load(int id, bool large, COLORREF background);

}  // namespace MenuDot
