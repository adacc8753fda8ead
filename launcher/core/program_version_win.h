#pragma once
// The version the program's own version resource states, for the log's start line.
#include <string>

// "1.2.3.4" from the fixed file information; "unknown" when the program carries none.
std::wstring programVersion(const std::wstring& programPath);
