#pragma once
// Whether every text of a dialog fits its control, measured in the control's own font as this
// process's DPI lays it out. One line per text goes to the report:
//   FITS|CUT <label> dpi=<n> control=<id> kind=<button|group|text|title> need=WxH room=WxH text=<UTF-8>
#include <windows.h>

#include <cstdio>
#include <string>

namespace DialogFit {

struct Tally {
    int measured = 0;
    int cut = 0;
};

// Measures the dialog's push buttons, group boxes, text statics and title.
void measure(HWND dialog, const std::string& label, std::FILE* report, Tally& tally);

// Whether the dialog's font (with the fonts the system links to it) has a real glyph for `c`, rather
// than the box drawn for a missing one: measuring boxes says nothing about the real text.
bool drawsGlyph(HWND dialog, wchar_t c);

std::string utf8(const std::wstring& text);

}  // namespace DialogFit
