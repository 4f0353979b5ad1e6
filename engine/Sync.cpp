// Critical sections, events and semaphores over the standard library.
#include "engine/Sync.h"

#include <chrono>

namespace Nox {

bool CriticalSection::Lock(int timeoutMs) {
  if (timeoutMs < 0) {
    mutex_.lock();
    return true;
  }
  if (timeoutMs == 0) return mutex_.try_lock();
  return mutex_.try_lock_for(std::chrono::milliseconds(timeoutMs));
}

void WEvent::Set() {
  std::lock_guard guard(mutex_);
  set_ = true;
  ++generation_;
  ++signals_;
  changed_.notify_all();
}

void WEvent::Reset() {
  std::lock_guard guard(mutex_);
  set_ = false;
}

void WEvent::Pulse() {
  std::lock_guard guard(mutex_);
  set_ = false;
  ++generation_;
  ++signals_;
  changed_.notify_all();
}

bool WEvent::IsSet() {
  std::lock_guard guard(mutex_);
  return set_;
}

bool WEvent::Wait(int timeoutMs) {
  std::unique_lock guard(mutex_);
  if (set_) return true;
  uint64_t start = generation_;
  auto released = [&] { return set_ || generation_ != start; };
  ++waiters_;
  bool result = true;
  if (timeoutMs < 0) {
    changed_.wait(guard, released);
  } else {
    result = changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), released);
  }
  --waiters_;
  return result;
}

int WEvent::WaiterCount() {
  std::lock_guard guard(mutex_);
  return waiters_;
}

uint64_t WEvent::SignalCount() {
  std::lock_guard guard(mutex_);
  return signals_;
}

void Semaphore::Signal(int count) {
  std::lock_guard guard(mutex_);
  count_ += count;
  available_.notify_all();
}

bool Semaphore::Wait(int timeoutMs) {
  std::unique_lock guard(mutex_);
  auto ready = [&] { return count_ > 0; };
  if (timeoutMs < 0) {
    available_.wait(guard, ready);
  } else if (!available_.wait_for(guard, std::chrono::milliseconds(timeoutMs), ready)) {
    return false;
  }
  --count_;
  return true;
}

}  // namespace Nox
