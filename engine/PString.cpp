// Interned-string cache: one node per distinct text, guarded by one mutex.
#include "engine/PString.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include "engine/TextFormat.h"

namespace Nox {

struct PString::Node {
  std::atomic<long> refs{0};
  size_t length = 0;
  char* text = nullptr;  // points just behind the node, NUL-terminated
};

namespace {

struct Cache {
  std::mutex lock;
  std::unordered_map<std::string_view, PString::Node*> nodes;
};

Cache& TheCache() {
  // Never destroyed: PStrings in static objects may outlive any destruction order.
  static Cache* cache = new Cache;
  return *cache;
}

PString::Node* Intern(std::string_view text) {
  if (text.empty()) return nullptr;
  Cache& cache = TheCache();
  std::lock_guard guard(cache.lock);
  auto it = cache.nodes.find(text);
  if (it != cache.nodes.end()) {
    it->second->refs.fetch_add(1, std::memory_order_relaxed);
    return it->second;
  }
  void* memory = ::operator new(sizeof(PString::Node) + text.size() + 1);
  auto* node = new (memory) PString::Node;
  node->length = text.size();
  node->text = reinterpret_cast<char*>(node + 1);
  std::memcpy(node->text, text.data(), text.size());
  node->text[text.size()] = '\0';
  node->refs.store(1, std::memory_order_relaxed);
  cache.nodes.emplace(std::string_view(node->text, node->length), node);
  return node;
}

void AddRef(PString::Node* node) {
  if (node) node->refs.fetch_add(1, std::memory_order_relaxed);
}

// A node reaching zero stays cached: only CollectGarbage frees nodes, under the
// cache lock, so a concurrent Intern can never revive a freed node.
void Unref(PString::Node* node) {
  if (node) node->refs.fetch_sub(1, std::memory_order_acq_rel);
}

}  // namespace

PString::PString(std::string_view text) : node_(Intern(text)) {}

PString::PString(const PString& other) noexcept : node_(other.node_) { AddRef(node_); }

PString& PString::operator=(const PString& other) noexcept {
  if (node_ != other.node_) {
    AddRef(other.node_);
    Unref(node_);
    node_ = other.node_;
  }
  return *this;
}

PString& PString::operator=(PString&& other) noexcept {
  if (this != &other) {
    Unref(node_);
    node_ = other.node_;
    other.node_ = nullptr;
  }
  return *this;
}

PString::~PString() { Unref(node_); }

const char* PString::c_str() const noexcept { return node_ ? node_->text : ""; }

std::string_view PString::view() const noexcept {
  return node_ ? std::string_view(node_->text, node_->length) : std::string_view();
}

size_t PString::size() const noexcept { return node_ ? node_->length : 0; }

PString& PString::Setf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = VFormat(format, args);
  va_end(args);
  *this = PString(text);
  return *this;
}

PString& PString::Addf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = str() + VFormat(format, args);
  va_end(args);
  *this = PString(text);
  return *this;
}

PString PString::ToLower() const {
  std::string text = str();
  for (char& c : text) c = AsciiLower(c);
  return PString(text);
}

PString PString::ToUpper() const {
  std::string text = str();
  for (char& c : text) c = AsciiUpper(c);
  return PString(text);
}

PString& PString::Ins(size_t pos, std::string_view text) {
  std::string value = str();
  value.insert(std::min(pos, value.size()), text);
  *this = PString(value);
  return *this;
}

PString& PString::Del(size_t pos, size_t count) {
  std::string value = str();
  if (pos < value.size()) value.erase(pos, count);
  *this = PString(value);
  return *this;
}

int PString::Find(std::string_view text, size_t start) const noexcept {
  size_t at = view().find(text, start);
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

int PString::Compare(std::string_view text) const noexcept { return view().compare(text); }

bool PString::EqualsIgnoreCase(std::string_view text) const noexcept {
  return Nox::EqualsIgnoreCase(view(), text);
}

size_t PString::CollectGarbage() {
  Cache& cache = TheCache();
  std::lock_guard guard(cache.lock);
  size_t freed = 0;
  for (auto it = cache.nodes.begin(); it != cache.nodes.end();) {
    Node* node = it->second;
    if (node->refs.load(std::memory_order_acquire) == 0) {
      it = cache.nodes.erase(it);
      node->~Node();
      ::operator delete(node);
      ++freed;
    } else {
      ++it;
    }
  }
  return freed;
}

size_t PString::CacheSize() {
  Cache& cache = TheCache();
  std::lock_guard guard(cache.lock);
  return cache.nodes.size();
}

}  // namespace Nox
