// RWLock: reentrant reader-writer lock with writer priority and a main-thread watchdog.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Sync.h"
#include "engine/Time.h"

class DeferredCallQueue;

// Holds belong to threads: a thread may hold the lock several times (shared
// re-entry always, exclusive re-entry when it already holds it exclusively)
// and must release each hold itself. While a writer waits, new readers from
// other threads are refused. A shared holder cannot upgrade.
//
// Acquire polls: about 100 immediate retries, then pauses growing by 1 ms up
// to 20 ms. On the main thread every round serves the deferred-call queue
// (calls not flagged "not inside a lock wait"), and every 15 s of waiting the
// waiting screen is shown (one engine-log line), the resource cache is
// trimmed and unused interned strings are collected.
class RWLock {
 public:
  static constexpr int kNoTimeout = -1;
  static constexpr uint64_t kWatchdogMs = 15000;

  RWLock() = default;
  RWLock(const RWLock&) = delete;
  RWLock& operator=(const RWLock&) = delete;

  // One attempt; true when granted.
  bool TryAcquire(bool exclusive);
  // Waits up to timeoutMs (kNoTimeout: for ever; 0: one attempt). True when granted.
  bool Acquire(bool exclusive, int timeoutMs = kNoTimeout);
  // Gives back one hold of the calling thread; true when it was the lock's last hold.
  bool Release();

  // Waits use this clock (tests pass a simulated one).
  void SetClock(Nox::Time::Clock& clock) { clock_ = &clock; }
  // The queue served by a waiting main thread (default: the process queue).
  void SetQueue(DeferredCallQueue& queue) { queue_ = &queue; }

  int HoldCount();
  bool IsExclusive();
  int WaitingWriters();
  bool HeldByCaller();
  // Number of times the release event was signalled.
  uint64_t ReleaseSignals() { return released_.SignalCount(); }

 private:
  void ChangeWaitingWriters(int delta);

  Nox::CriticalSection section_;
  Nox::WEvent released_;
  int holds_ = 0;
  bool exclusive_ = false;
  int waitingWriters_ = 0;
  std::vector<uint32_t> holders_;
  Nox::Time::Clock* clock_ = &Nox::Time::Clock::Real();
  DeferredCallQueue* queue_ = nullptr;
};

// Scoped hold: acquires in the constructor (without time-out), releases in the destructor.
class RWLockHold {
 public:
  RWLockHold(RWLock& lock, bool exclusive) : lock_(lock) { lock_.Acquire(exclusive); }
  ~RWLockHold() { lock_.Release(); }
  RWLockHold(const RWLockHold&) = delete;
  RWLockHold& operator=(const RWLockHold&) = delete;

 private:
  RWLock& lock_;
};
