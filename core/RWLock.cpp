// Reader-writer lock: grant rules, polling wait, main-thread serving and watchdog.
#include "core/RWLock.h"

#include <algorithm>

#include "core/DeferredCalls.h"
#include "core/VelmarLog.h"
#include "engine/PString.h"
#include "engine/Render.h"
#include "engine/Thread.h"

bool RWLock::TryAcquire(bool exclusive) {
  const uint32_t self = Nox::Thread::GetCurrentId();
  Nox::SingleLock guard(section_);
  bool grant;
  if (holds_ > 0) {
    bool callerHolds = std::find(holders_.begin(), holders_.end(), self) != holders_.end();
    if (!callerHolds) {
      grant = !exclusive && !exclusive_ && waitingWriters_ == 0;
    } else if (!exclusive) {
      grant = true;  // re-entry, even with writers waiting
    } else {
      bool allMine = std::all_of(holders_.begin(), holders_.end(), [&](uint32_t id) { return id == self; });
      grant = allMine && exclusive_;
    }
  } else {
    grant = exclusive || waitingWriters_ == 0;
  }
  if (!grant) return false;
  ++holds_;
  if (exclusive) exclusive_ = true;
  holders_.push_back(self);
  released_.Reset();
  return true;
}

void RWLock::ChangeWaitingWriters(int delta) {
  Nox::SingleLock guard(section_);
  waitingWriters_ += delta;
}

bool RWLock::Acquire(bool exclusive, int timeoutMs) {
  if (TryAcquire(exclusive)) return true;
  if (timeoutMs == 0) return false;
  if (exclusive) ChangeWaitingWriters(+1);

  const bool mainThread = IsMainThread();
  DeferredCallQueue& queue = queue_ ? *queue_ : DeferredCallQueue::Instance();
  // The time-out runs from the start of the wait. The watchdog has a reference
  // time of its own so that showing the waiting screen cannot keep a timed
  // wait of the main thread alive for ever.
  const uint64_t start = clock_->NowMs();
  uint64_t watchdogReference = start;
  bool screenShown = false;
  bool granted = false;

  for (int i = -100;; ++i) {
    if (TryAcquire(exclusive)) {
      granted = true;
      break;
    }
    clock_->SleepMs(i < 0 ? 0u : static_cast<uint32_t>(std::min(i, 20)));
    const uint64_t now = clock_->NowMs();
    if (timeoutMs > 0 && now - start >= static_cast<uint64_t>(timeoutMs)) break;
    if (!mainThread) continue;
    queue.Serve(DeferredCallQueue::kNotInLockWait);
    if (now - watchdogReference >= kWatchdogMs) {
      Nox::BlockingScreen::Show();
      screenShown = true;
      Nox::ResourceSystem::DumpUnusedFromCurrent();
      Nox::PString::CollectGarbage();
      watchdogReference = now;
    }
  }

  if (screenShown) Nox::BlockingScreen::Hide();
  if (exclusive) ChangeWaitingWriters(-1);
  return granted;
}

bool RWLock::Release() {
  const uint32_t self = Nox::Thread::GetCurrentId();
  Nox::SingleLock guard(section_);
  if (holds_ <= 0) return false;
  auto it = std::find(holders_.begin(), holders_.end(), self);
  if (it == holders_.end()) return false;  // not a holder: nothing to give back
  holders_.erase(it);
  --holds_;
  if (holds_ == 0) exclusive_ = false;
  released_.Set();
  return holds_ == 0;
}

int RWLock::HoldCount() {
  Nox::SingleLock guard(section_);
  return holds_;
}

bool RWLock::IsExclusive() {
  Nox::SingleLock guard(section_);
  return exclusive_;
}

int RWLock::WaitingWriters() {
  Nox::SingleLock guard(section_);
  return waitingWriters_;
}

bool RWLock::HeldByCaller() {
  const uint32_t self = Nox::Thread::GetCurrentId();
  Nox::SingleLock guard(section_);
  return std::find(holders_.begin(), holders_.end(), self) != holders_.end();
}
