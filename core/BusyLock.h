// BusyLock: a plain, non-reentrant lock that any thread may release.
#pragma once

#include "engine/Sync.h"

// Unlike a mutex, a BusyLock is not owned by a thread: a call chain takes it
// on one thread and its last step releases it on another. Taking it twice
// from the same thread therefore blocks.
class BusyLock {
 public:
  // Blocks until the lock is free, then takes it.
  void Acquire();
  // Takes the lock when it is free; false otherwise.
  bool TryAcquire();
  void Release();
  bool IsBusy();
  int Waiters();

 private:
  Nox::CriticalSection section_;
  Nox::WEvent released_;
  bool busy_ = false;
  int busyCount_ = 0;  // times taken, for diagnostics
  int waiters_ = 0;
};
