// Mutable text with the engine's string operations (formatting, tokens, searches).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Nox {

class String {
 public:
  String() = default;
  String(std::string_view text) : text_(text) {}  // NOLINT: implicit on purpose
  String(const char* text) : text_(text ? text : "") {}
  String(std::string text) : text_(std::move(text)) {}

  const char* c_str() const noexcept { return text_.c_str(); }
  std::string_view view() const noexcept { return text_; }
  const std::string& str() const noexcept { return text_; }
  std::string& str() noexcept { return text_; }
  size_t size() const noexcept { return text_.size(); }
  bool empty() const noexcept { return text_.empty(); }
  char operator[](size_t i) const { return text_[i]; }
  operator std::string_view() const noexcept { return text_; }

  String& operator=(std::string_view text) { text_ = text; return *this; }
  String& operator+=(std::string_view text) { text_ += text; return *this; }
  String& operator+=(char c) { text_ += c; return *this; }
  bool operator==(const String& other) const noexcept { return text_ == other.text_; }
  bool operator==(std::string_view other) const noexcept { return text_ == other; }
  bool operator==(const char* other) const noexcept { return text_ == std::string_view(other ? other : ""); }
  bool operator<(const String& other) const noexcept { return text_ < other.text_; }

  // printf-style formatting; Setf replaces the text, Addf appends to it.
  String& Setf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  String& Addf(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Next token after *cursor: separators before it are skipped, the token runs
  // up to the next separator (any character of separators) or the end, and
  // *cursor moves behind it. Returns false (token left empty) when only
  // separators remain.
  bool Token(std::string_view separators, size_t& cursor, String& token) const;
  // Every token of the text, in order.
  std::vector<String> Tokens(std::string_view separators) const;

  // Positions of the first occurrence at or after start, -1 when absent.
  int Find(std::string_view text, size_t start = 0) const noexcept;
  int Find(char c, size_t start = 0) const noexcept;
  int FindIgnoreCase(std::string_view text, size_t start = 0) const noexcept;
  // Last occurrence, -1 when absent.
  int FindLast(char c) const noexcept;

  // The first / last count characters (the whole text when shorter).
  String Left(size_t count) const { return String(text_.substr(0, count)); }
  String Right(size_t count) const {
    return String(count >= text_.size() ? text_ : text_.substr(text_.size() - count));
  }
  String Mid(size_t pos, size_t count = std::string::npos) const {
    return pos >= text_.size() ? String() : String(text_.substr(pos, count));
  }

  bool EqualsIgnoreCase(std::string_view text) const noexcept;
  // In-place ASCII case changes.
  String& ToLower();
  String& ToUpper();
  // Removes white space (space, tab, CR, LF) at both ends.
  String& Trim();

 private:
  std::string text_;
};

// The engine distinguishes ANSI text only on Windows; here both are UTF-8 bytes.
using AnsiString = String;

}  // namespace Nox
