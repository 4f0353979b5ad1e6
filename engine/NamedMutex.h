// Nox::Mutex: a named mutex shared between processes that survives a crashed holder.
#pragma once

#include <memory>
#include <string_view>

namespace Nox {

class NamedSegment;

// Behaves like a Windows named mutex: recursive for the owning thread, the
// object exists while any live process has it open, and a holder that dies
// does not leave it locked (the next Lock reports Abandoned and owns it).
class NamedMutex {
 public:
  enum class LockResult { Acquired, Abandoned, TimedOut, Failed };

  NamedMutex();
  ~NamedMutex();
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Opens the mutex of this name, creating it when no live process has it
  // open. With initialOwner, a caller that created it owns it on return (a
  // caller that found it existing does not). existed tells whether it existed.
  bool Create(std::string_view name, bool initialOwner, bool* existed = nullptr);
  bool IsOpen() const noexcept;
  // timeoutMs < 0 waits for ever; 0 makes one attempt.
  LockResult Lock(int timeoutMs = -1);
  // True when Lock gave Acquired or Abandoned.
  static bool Owned(LockResult result) {
    return result == LockResult::Acquired || result == LockResult::Abandoned;
  }
  bool Unlock();
  void Close();

 private:
  std::unique_ptr<NamedSegment> segment_;
};

using Mutex = NamedMutex;

}  // namespace Nox
