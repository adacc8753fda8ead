#pragma once
// The tray's images at the notification area's scale and for the taskbar's theme: the small-icon
// size of a DPI, the DPI a window is shown at, whether the taskbar is light or high contrast is on,
// and the lookup of one image (skin files first, then the built-in one of that theme) at a given size.
#include <windows.h>

#include <cstdint>

#include "unique_handle_win.h"

namespace KovToolkit {

// What every tray image is loaded for; a change of any part means reloading them.
struct ImageScale {
    unsigned dpi = 96;
    int size = 16;  // pixels, square
    bool lightTaskbar = false;
    bool highContrast = false;
    COLORREF ink = 0;  // the window text colour the high-contrast set is drawn in
    bool operator==(const ImageScale& o) const {
        return dpi == o.dpi && size == o.size && lightTaskbar == o.lightTaskbar && highContrast == o.highContrast &&
               ink == o.ink;
    }
    bool operator!=(const ImageScale& o) const { return !(*this == o); }
};

// A 32-bit, top-row-first DIB of width x height: the layout our images are recoloured in.
BITMAPINFO topDownArgbFormat(int width, int height);

// The DPI of the window's monitor where the system tells it (Windows 10 on), else the screen's.
unsigned windowDpi(HWND window);
// The notification area's icon size at that DPI: SM_CXSMICON for the DPI where the system can
// say (Windows 10 on), else SM_CXSMICON of the system DPI.
int smallIconSize(unsigned dpi);
// HKCU\...\Themes\Personalize "SystemUsesLightTheme" is 1; missing (Windows before 10) means dark.
bool taskbarUsesLightTheme();
// SPI_GETHIGHCONTRAST says high contrast is on.
bool systemHighContrast();
// What imageScaleFor asks whether high contrast is on; replaceable, as not every system can switch it
// on for a test. Returns the one it replaces.
using HighContrastQuery = bool (*)();
HighContrastQuery setHighContrastQuery(HighContrastQuery query);
// The scale for a DPI with the current theme and, while high contrast is on, its window text colour.
ImageScale imageScaleFor(unsigned dpi);

// While high contrast is on: the built-in high-contrast image in scale.ink. Otherwise
// "skin\custom\tray\<id>.ico", then "skin\tray\<id>.ico" (each serves both themes), then the
// built-in image of the theme; always at scale.size, from the file's image of that size if it has one.
Win::UniqueHicon loadTrayImage(std::uint16_t iconId, const ImageScale& scale);

}  // namespace KovToolkit
