#pragma once
// For tests that lay windows out at a given display scale: Wine reads the DPI (HKCU\Control
// Panel\Desktop\LogPixels) once per process, so the test sets it, runs a probe program that writes a
// report file, and puts the old value back.
#include <windows.h>

#include <string>

namespace DpiProbe {

// Runs `probe measure <report>` with LogPixels set to `dpi` (at most 60 s) and returns the report, or
// a line that says why there is none.
std::string runAt(unsigned dpi, const std::wstring& probe);

// `reg import <file>` into this prefix (at most 30 s); false when it did not succeed.
bool importRegistryFile(const std::wstring& file);

}  // namespace DpiProbe
