#pragma once
// Narrow text for JNI and the virtual machine: the calling thread's ANSI code page on Windows. Native
// builds use ISO-8859-1, which behaves like a single-byte ANSI page: characters outside it become
// '?', the platform's default character.
#include <string>
#include <string_view>

std::string toAnsi(std::wstring_view text);
std::wstring fromAnsi(std::string_view text);

// The text as the ANSI page lets it through: what the page cannot hold comes back replaced.
inline std::wstring throughAnsi(std::wstring_view text) { return fromAnsi(toAnsi(text)); }
