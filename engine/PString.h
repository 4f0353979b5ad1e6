// Interned immutable text: equal texts share one node of a process-wide cache.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace Nox {

// A PString refers to one node of the interned-string cache. Two PStrings hold
// equal text exactly when they refer to the same node, so == is an identity
// test (case-sensitive). The empty text is the null node. Copying only bumps a
// reference count; the node stays in the cache after its last holder lets go
// until CollectGarbage frees it. All operations are thread-safe.
class PString {
 public:
  PString() noexcept = default;
  PString(std::string_view text);  // NOLINT: implicit by design, like a string literal
  PString(const char* text) : PString(std::string_view(text ? text : "")) {}
  PString(const std::string& text) : PString(std::string_view(text)) {}
  PString(const PString& other) noexcept;
  PString(PString&& other) noexcept : node_(other.node_) { other.node_ = nullptr; }
  PString& operator=(const PString& other) noexcept;
  PString& operator=(PString&& other) noexcept;
  ~PString();

  const char* c_str() const noexcept;
  std::string_view view() const noexcept;
  std::string str() const { return std::string(view()); }
  size_t size() const noexcept;
  bool empty() const noexcept { return node_ == nullptr; }

  bool operator==(const PString& other) const noexcept { return node_ == other.node_; }
  bool operator!=(const PString& other) const noexcept { return node_ != other.node_; }
  // Text comparison, for use in ordered containers and sorting.
  bool operator<(const PString& other) const noexcept { return view() < other.view(); }

  // printf-style formatting; Setf replaces the text, Addf appends to it.
  PString& Setf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  PString& Addf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Returns a lower/upper-cased (ASCII) copy; this string is left as it is.
  PString ToLower() const;
  PString ToUpper() const;
  // Inserts text before position pos (clamped to the length).
  PString& Ins(size_t pos, std::string_view text);
  // Deletes up to count characters starting at pos.
  PString& Del(size_t pos, size_t count);
  // Position of the first occurrence of text at or after start, -1 when absent.
  int Find(std::string_view text, size_t start = 0) const noexcept;
  // Byte-wise comparison: negative, 0 or positive.
  int Compare(std::string_view text) const noexcept;
  bool EqualsIgnoreCase(std::string_view text) const noexcept;

  // Identity of the node; stable while any PString holds it.
  const void* Identity() const noexcept { return node_; }

  // Frees every cached text that no PString holds; returns how many were freed.
  static size_t CollectGarbage();
  // Number of texts currently in the cache (held or not).
  static size_t CacheSize();

  struct Node;

 private:
  explicit PString(Node* node) noexcept : node_(node) {}
  Node* node_ = nullptr;
};

}  // namespace Nox

template <>
struct std::hash<Nox::PString> {
  size_t operator()(const Nox::PString& s) const noexcept {
    return std::hash<const void*>()(s.Identity());
  }
};
