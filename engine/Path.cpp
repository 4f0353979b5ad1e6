// Path edits of Nox::File::Path.
#include "engine/Path.h"

#include <vector>

#include "engine/TextFormat.h"

namespace Nox {

namespace {

size_t LastSeparator(std::string_view text) { return text.find_last_of("/\\"); }

}  // namespace

bool FilePath::Set(std::string_view text) {
  if (text.size() > kMaxLength) return false;
  text_.assign(text);
  return true;
}

bool FilePath::AddPath(std::string_view component) {
  std::string result = text_;
  bool endsWithSeparator = !result.empty() && IsSeparator(result.back());
  bool startsWithSeparator = !component.empty() && IsSeparator(component.front());
  if (endsWithSeparator && startsWithSeparator) {
    component.remove_prefix(1);
  } else if (!result.empty() && !endsWithSeparator && !startsWithSeparator) {
    result += '/';
  }
  result += component;
  return Set(result);
}

bool FilePath::Add(std::string_view text) {
  if (text_.size() + text.size() > kMaxLength) return false;
  text_ += text;
  return true;
}

void FilePath::DelName() {
  size_t at = LastSeparator(text_);
  if (at == std::string::npos) {
    text_.clear();
  } else {
    text_.erase(at + 1);
  }
}

bool FilePath::PrevDir() {
  std::string saved = text_;
  DelSlash();
  size_t at = LastSeparator(text_);
  if (at == std::string::npos || text_ == "/") {
    text_ = saved;
    return false;
  }
  text_.erase(at + 1);
  return true;
}

void FilePath::DelSlash() {
  while (text_.size() > 1 && IsSeparator(text_.back())) text_.pop_back();
}

bool FilePath::AddSlash() {
  if (text_.empty() || IsSeparator(text_.back())) return true;
  return Add("/");
}

void FilePath::Normalize() {
  if (text_.empty()) return;
  bool absolute = IsSeparator(text_[0]);
  bool trailing = IsSeparator(text_.back());
  std::vector<std::string_view> parts;
  std::string_view rest = text_;
  while (!rest.empty()) {
    size_t at = rest.find_first_of("/\\");
    std::string_view part = rest.substr(0, at);
    rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + 1);
    if (part.empty() || part == ".") continue;
    if (part == ".." && !parts.empty() && parts.back() != "..") {
      parts.pop_back();
      continue;
    }
    if (part == ".." && absolute) continue;  // nothing above the root
    parts.push_back(part);
  }
  std::string result;
  if (absolute) result.push_back('/');
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) result += '/';
    result += parts[i];
  }
  if (trailing && !parts.empty()) result += '/';
  if (result.empty() && !absolute) result.push_back('.');
  text_ = result;
}

bool FilePath::SetExt(std::string_view ext) {
  if (!ext.empty() && ext.front() == '.') ext.remove_prefix(1);
  std::string result = text_;
  size_t nameStart = LastSeparator(result);
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  size_t dot = result.rfind('.');
  if (dot != std::string::npos && dot >= nameStart) result.erase(dot);
  if (!ext.empty()) {
    result += '.';
    result += ext;
  }
  return Set(result);
}

std::string_view FilePath::GetExt() const noexcept {
  std::string_view name = GetFileName();
  size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

bool FilePath::IsExt(std::string_view ext) const noexcept {
  if (!ext.empty() && ext.front() == '.') ext.remove_prefix(1);
  std::string_view name = GetFileName();
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  return EqualsIgnoreCase(name.substr(dot + 1), ext);
}

std::string_view FilePath::GetFileName() const noexcept {
  size_t at = LastSeparator(text_);
  return at == std::string::npos ? std::string_view(text_) : std::string_view(text_).substr(at + 1);
}

bool FilePath::MakeRelativeTo(std::string_view base) {
  while (!base.empty() && IsSeparator(base.back()) && base.size() > 1) base.remove_suffix(1);
  if (base.size() > text_.size()) return false;
  for (size_t i = 0; i < base.size(); ++i) {
    char a = text_[i];
    char b = base[i];
    if (a == b || (IsSeparator(a) && IsSeparator(b))) continue;
    return false;
  }
  if (base.size() == text_.size()) {
    text_.clear();
    return true;
  }
  if (base.empty()) return true;
  if (base.size() == 1 && IsSeparator(base[0])) {
    text_.erase(0, 1);
    return true;
  }
  if (!IsSeparator(text_[base.size()])) return false;  // "a/bc" is not inside "a/b"
  size_t skip = base.size();
  while (skip < text_.size() && IsSeparator(text_[skip])) ++skip;
  text_.erase(0, skip);
  return true;
}

FilePath FilePath::ExtractFirstPath() {
  size_t at = text_.find_first_of("/\\");
  FilePath first;
  if (at == std::string::npos) {
    first.text_ = text_;
    text_.clear();
  } else {
    first.text_ = text_.substr(0, at);
    text_.erase(0, at + 1);
  }
  return first;
}

void FilePath::ReplaceBackSlashes() {
  for (char& c : text_) {
    if (c == '\\') c = '/';
  }
}

void FilePath::ReplaceForwardSlashes() {
  for (char& c : text_) {
    if (c == '/') c = '\\';
  }
}

}  // namespace Nox
