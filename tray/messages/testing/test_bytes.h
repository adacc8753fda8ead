#pragma once
// Test helpers: byte buffers from text literals and back.
#include <cstdint>
#include <string>
#include <vector>

inline std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
inline std::string textOf(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }
