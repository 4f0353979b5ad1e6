// BusyLock: busy flag under a critical section, waiters sleep on an event.
#include "core/BusyLock.h"

void BusyLock::Acquire() {
  bool waiting = false;
  for (;;) {
    {
      Nox::SingleLock guard(section_);
      if (!busy_) {
        busy_ = true;
        ++busyCount_;
        released_.Reset();
        if (waiting) --waiters_;
        return;
      }
      if (!waiting) {
        ++waiters_;
        waiting = true;
      }
    }
    released_.Wait();
  }
}

bool BusyLock::TryAcquire() {
  Nox::SingleLock guard(section_);
  if (busy_) return false;
  busy_ = true;
  ++busyCount_;
  released_.Reset();
  return true;
}

void BusyLock::Release() {
  Nox::SingleLock guard(section_);
  busy_ = false;
  released_.Set();
}

bool BusyLock::IsBusy() {
  Nox::SingleLock guard(section_);
  return busy_;
}

int BusyLock::Waiters() {
  Nox::SingleLock guard(section_);
  return waiters_;
}
