// Small text helpers shared by the engine: printf-style formatting and ASCII case folding.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace Nox {

// Formats like vsnprintf into a std::string of any length.
std::string VFormat(const char* format, va_list args);
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// Case-insensitive (ASCII) equality of two texts.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Position of needle in hay at or after start, ignoring ASCII case; npos when absent.
size_t FindIgnoreCase(std::string_view hay, std::string_view needle, size_t start = 0);

}  // namespace Nox
