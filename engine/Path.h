// Nox::File::Path: a file path of at most 259 characters with the engine's path edits.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Nox {

// Both '\' and '/' are accepted as separators in every operation; the edits
// that insert a separator insert '/', which is what the disk uses. A path holds
// at most kMaxLength characters (a 260-byte buffer with its NUL): an edit whose
// result would be longer fails, returns false and leaves the path unchanged.
class FilePath {
 public:
  static constexpr size_t kMaxLength = 259;

  FilePath() = default;
  FilePath(std::string_view text) { Set(text); }  // NOLINT: implicit on purpose
  FilePath(const char* text) { Set(text ? text : ""); }
  FilePath(const std::string& text) { Set(text); }

  bool Set(std::string_view text);
  const char* c_str() const noexcept { return text_.c_str(); }
  std::string_view view() const noexcept { return text_; }
  const std::string& str() const noexcept { return text_; }
  size_t Length() const noexcept { return text_.size(); }
  bool empty() const noexcept { return text_.empty(); }
  bool operator==(const FilePath& other) const noexcept { return text_ == other.text_; }

  static bool IsSeparator(char c) noexcept { return c == '/' || c == '\\'; }

  // Appends a component with exactly one separator between the two parts.
  bool AddPath(std::string_view component);
  // Appends text as it is.
  bool Add(std::string_view text);
  // Removes the last name, keeping the separator before it: "a/b/c.txt" -> "a/b/".
  // A path without separator becomes empty.
  void DelName();
  // Goes up one folder: "a/b/c/" and "a/b/c" -> "a/b/". False when there is no parent.
  bool PrevDir();
  // Removes trailing separators (a lone "/" stays).
  void DelSlash();
  // Appends '/' unless the path is empty or already ends with a separator.
  bool AddSlash();
  // Turns separators into '/', folds repeated separators, drops "." components
  // and resolves "name/.." pairs (leading ".." of a relative path are kept).
  void Normalize();
  // Replaces the extension of the file name; an empty ext removes it. The ext
  // may be given with or without its dot.
  bool SetExt(std::string_view ext);
  // Extension of the file name without its dot; empty when there is none.
  std::string_view GetExt() const noexcept;
  // Case-insensitive extension test; ext with or without its dot.
  bool IsExt(std::string_view ext) const noexcept;
  // The last name of the path (after the last separator).
  std::string_view GetFileName() const noexcept;
  // Removes the base folder from the front: true when the path lies inside
  // base (compared per component, separators of either kind), false otherwise
  // (path unchanged). A path equal to base becomes empty.
  bool MakeRelativeTo(std::string_view base);
  // Removes and returns the first component ("a/b/c" -> returns "a", leaves "b/c").
  FilePath ExtractFirstPath();
  void ReplaceBackSlashes();     // '\' -> '/'
  void ReplaceForwardSlashes();  // '/' -> '\'
  // An absolute path on this system starts with '/'.
  bool IsAbsolute() const noexcept { return !text_.empty() && IsSeparator(text_[0]); }

 private:
  std::string text_;
};

}  // namespace Nox

// Nox::File::Path is FilePath; File.h declares the alias.
#include "engine/File.h"
