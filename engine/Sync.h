// Engine synchronisation objects: CriticalSection, WEvent and Semaphore.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace Nox {

// A recursive lock; Lock may give up after a time-out.
class CriticalSection {
 public:
  // timeoutMs < 0 waits for ever; 0 makes one attempt. True when locked.
  bool Lock(int timeoutMs = -1);
  void Unlock() { mutex_.unlock(); }
  // Standard lock interface so std::lock_guard / std::unique_lock work.
  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }
  bool try_lock() { return mutex_.try_lock(); }

 private:
  std::recursive_timed_mutex mutex_;
};

// Scoped hold of a CriticalSection.
class SingleLock {
 public:
  explicit SingleLock(CriticalSection& section) : section_(section) { section_.lock(); }
  ~SingleLock() { section_.unlock(); }
  SingleLock(const SingleLock&) = delete;
  SingleLock& operator=(const SingleLock&) = delete;

 private:
  CriticalSection& section_;
};

// A manual-reset event. Set releases every waiter and stays set until Reset;
// Pulse releases the threads waiting at that moment and leaves it reset.
class WEvent {
 public:
  explicit WEvent(bool initiallySet = false) : set_(initiallySet) {}
  void Set();
  void Reset();
  void Pulse();
  bool IsSet();
  // timeoutMs < 0 waits for ever. True when the event was set or pulsed.
  bool Wait(int timeoutMs = -1);
  // Number of Set and Pulse calls so far (lets tests see signalling).
  uint64_t SignalCount();
  // Threads blocked in Wait right now.
  int WaiterCount();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool set_;
  uint64_t generation_ = 0;
  uint64_t signals_ = 0;
  int waiters_ = 0;
};

class Semaphore {
 public:
  explicit Semaphore(int initial = 0) : count_(initial) {}
  void Signal(int count = 1);
  // timeoutMs < 0 waits for ever. True when a unit was taken.
  bool Wait(int timeoutMs = -1);

 private:
  std::mutex mutex_;
  std::condition_variable available_;
  int count_;
};

}  // namespace Nox
