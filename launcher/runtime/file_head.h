#pragma once
// The first bytes of a file, for the small headers the launcher looks at (a library's PE header, a
// runtime's `release` file).
#include <cstddef>
#include <string>

// Up to `maxBytes` from the start of the file; empty when it cannot be opened or read.
std::string readFileHead(const std::wstring& path, std::size_t maxBytes);
