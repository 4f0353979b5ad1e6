// Mutable engine text operations.
#include "engine/NoxString.h"

#include <cstdarg>

#include "engine/TextFormat.h"

namespace Nox {

String& String::Setf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  text_ = VFormat(format, args);
  va_end(args);
  return *this;
}

String& String::Addf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  text_ += VFormat(format, args);
  va_end(args);
  return *this;
}

bool String::Token(std::string_view separators, size_t& cursor, String& token) const {
  size_t start = text_.find_first_not_of(separators, cursor);
  if (start == std::string::npos) {
    cursor = text_.size();
    token = String();
    return false;
  }
  size_t end = text_.find_first_of(separators, start);
  if (end == std::string::npos) end = text_.size();
  token = String(text_.substr(start, end - start));
  cursor = end;
  return true;
}

std::vector<String> String::Tokens(std::string_view separators) const {
  std::vector<String> tokens;
  size_t cursor = 0;
  String token;
  while (Token(separators, cursor, token)) tokens.push_back(token);
  return tokens;
}

int String::Find(std::string_view text, size_t start) const noexcept {
  size_t at = text_.find(text, start);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int String::Find(char c, size_t start) const noexcept {
  size_t at = text_.find(c, start);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int String::FindIgnoreCase(std::string_view text, size_t start) const noexcept {
  size_t at = Nox::FindIgnoreCase(text_, text, start);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int String::FindLast(char c) const noexcept {
  size_t at = text_.rfind(c);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

bool String::EqualsIgnoreCase(std::string_view text) const noexcept {
  return Nox::EqualsIgnoreCase(text_, text);
}

String& String::ToLower() {
  for (char& c : text_) c = AsciiLower(c);
  return *this;
}

String& String::ToUpper() {
  for (char& c : text_) c = AsciiUpper(c);
  return *this;
}

String& String::Trim() {
  const char* space = " \t\r\n";
  size_t first = text_.find_first_not_of(space);
  if (first == std::string::npos) {
    text_.clear();
  } else {
    text_.erase(text_.find_last_not_of(space) + 1);
    text_.erase(0, first);
  }
  return *this;
}

}  // namespace Nox
