// printf-style formatting into std::string and ASCII case-insensitive search.
#include "engine/TextFormat.h"

#include <cstdio>

namespace Nox {

std::string VFormat(const char* format, va_list args) {
  if (!format) return {};
  char small[256];
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (needed < 0) return {};
  if (static_cast<size_t>(needed) < sizeof small) return std::string(small, static_cast<size_t>(needed));
  std::string text(static_cast<size_t>(needed), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  return text;
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = VFormat(format, args);
  va_end(args);
  return text;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

size_t FindIgnoreCase(std::string_view hay, std::string_view needle, size_t start) {
  if (needle.size() > hay.size()) return std::string_view::npos;
  for (size_t i = start; i + needle.size() <= hay.size(); ++i) {
    if (EqualsIgnoreCase(hay.substr(i, needle.size()), needle)) return i;
  }
  return std::string_view::npos;
}

}  // namespace Nox
