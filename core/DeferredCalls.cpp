// Deferred-call queue: posting, serving by flag eligibility, worker pool, shutdown; call chains.
#include "core/DeferredCalls.h"

#include <algorithm>

#include "core/VelmarLog.h"
#include "engine/Process.h"
#include "engine/Time.h"

DeferredCallQueue::~DeferredCallQueue() { Shutdown(); }

DeferredCallQueue& DeferredCallQueue::Instance() {
  static DeferredCallQueue* queue = new DeferredCallQueue;
  return *queue;
}

uint32_t DeferredCallQueue::OwnBit() { return IsMainThread() ? kNotOnMainThread : kMainThreadOnly; }

bool DeferredCallQueue::Post(Call call, uint32_t flags) {
  if (!call) return false;
  if (!(flags & kNoWait) && !(flags & OwnBit())) {
    try {
      call();
    } catch (...) {
      return false;
    }
    return true;
  }
  Completion completion;
  bool wakeMainThread = false;
  {
    std::lock_guard guard(lock_);
    // Tested under the lock: Shutdown empties the queue under it, so no item
    // can slip in behind it and leave its poster waiting for ever.
    if (shuttingDown_.load()) return false;
    Item item;
    item.call = std::move(call);
    item.flags = flags;
    item.completion = (flags & kNoWait) ? nullptr : &completion;
    item.id = ++nextId_;
    queued_.push_back(std::move(item));
    if ((flags & kMainThreadOnly) && !mainThreadWoken_) {
      mainThreadWoken_ = true;
      wakeMainThread = true;
    }
  }
  if (wakeMainThread) Nox::Process::PostThreadMessage(kWakeMainThreadMessage);
  if (!(flags & kMainThreadOnly)) EnsureWorker();
  if (flags & kNoWait) return true;

  while (!completion.done.load(std::memory_order_acquire)) Nox::Time::Delay(1);
  return !completion.failed.load(std::memory_order_acquire);
}

void DeferredCallQueue::EnsureWorker() {
  std::vector<std::unique_ptr<Nox::Thread>> ended;
  {
    std::lock_guard guard(lock_);
    if (shuttingDown_.load()) return;
    auto firstEnded = std::stable_partition(workers_.begin(), workers_.end(),
                                            [](const std::unique_ptr<Nox::Thread>& t) { return !t->IsDone(); });
    std::move(firstEnded, workers_.end(), std::back_inserter(ended));
    workers_.erase(firstEnded, workers_.end());
    if (workers_.size() < static_cast<size_t>(maxWorkers_)) {
      auto worker = std::make_unique<Nox::Thread>([this] { WorkerLoop(); });
      worker->Resume();
      workers_.push_back(std::move(worker));
    }
    work_.Set();
  }
  // Ended threads are joined outside the lock (their entries have returned).
}

void DeferredCallQueue::WorkerLoop() {
  for (;;) {
    if (ServeOne(0).ran) continue;
    if (shuttingDown_.load()) return;
    if (!work_.Wait(workerIdleMs_)) return;
    if (shuttingDown_.load()) return;
  }
}

int DeferredCallQueue::Serve(uint32_t flags) { return ServeOne(flags).remaining; }

DeferredCallQueue::ServeResult DeferredCallQueue::ServeOne(uint32_t flags) {
  if (shuttingDown_.load()) return {};
  const bool mainThread = IsMainThread();
  flags |= mainThread ? kNotOnMainThread : kMainThreadOnly;

  Item item;
  bool taken = false;
  bool passedOver = false;
  int count = 0;
  {
    std::lock_guard guard(lock_);
    count = static_cast<int>(queued_.size());
    if (count == 0) work_.Reset();
    if (mainThread) mainThreadWoken_ = false;
    for (auto it = queued_.begin(); it != queued_.end(); ++it) {
      if ((it->flags & flags) == 0) {
        running_.push_back({{}, it->flags, it->completion, it->id});
        item = std::move(*it);
        queued_.erase(it);
        taken = true;
        break;
      }
      passedOver = true;
    }
    // Items only the main thread may run must not keep the work event set:
    // idle workers would otherwise spin on it instead of sleeping.
    if (!taken && !mainThread) work_.Reset();
  }
  if (mainThread && passedOver) EnsureWorker();
  if (!taken) return {};

  bool threw = false;
  try {
    item.call();
  } catch (...) {
    threw = true;  // the server carries on; a waiting poster learns of it
  }
  item.call = nullptr;  // release the call object before telling the poster
  if (item.completion) {
    if (threw) item.completion->failed.store(true, std::memory_order_release);
    item.completion->done.store(true, std::memory_order_release);
  }
  {
    std::lock_guard guard(lock_);
    running_.remove_if([&](const Item& running) { return running.id == item.id; });
  }
  completed_.Pulse();
  return {true, count - 1};
}

void DeferredCallQueue::Shutdown() {
  std::deque<Item> dropped;
  {
    std::lock_guard guard(lock_);
    if (shuttingDown_.exchange(true) && workers_.empty() && queued_.empty()) return;
    dropped.swap(queued_);
  }
  for (Item& item : dropped) {
    item.call = nullptr;
    if (item.completion) {
      item.completion->failed.store(true, std::memory_order_release);
      item.completion->done.store(true, std::memory_order_release);
    }
  }
  for (;;) {
    {
      std::lock_guard guard(lock_);
      bool allEnded = std::all_of(workers_.begin(), workers_.end(),
                                  [](const std::unique_ptr<Nox::Thread>& t) { return t->IsDone(); });
      if (allEnded) break;
    }
    work_.Set();
    Nox::Time::Delay(10);
  }
  std::vector<std::unique_ptr<Nox::Thread>> workers;
  {
    std::lock_guard guard(lock_);
    workers.swap(workers_);
  }
  workers.clear();  // joins
}

int DeferredCallQueue::QueuedCount() {
  std::lock_guard guard(lock_);
  return static_cast<int>(queued_.size());
}

int DeferredCallQueue::WorkerCount() {
  std::lock_guard guard(lock_);
  return static_cast<int>(std::count_if(workers_.begin(), workers_.end(),
                                        [](const std::unique_ptr<Nox::Thread>& t) { return !t->IsDone(); }));
}

VelmarWorkerCallChain::VelmarWorkerCallChain(DeferredCallQueue& queue) : queue_(queue) {}

VelmarWorkerCallChain::~VelmarWorkerCallChain() {
  if (running_.load()) Wait();
}

void VelmarWorkerCallChain::AddStep(uint32_t flags, DeferredCallQueue::Call call) {
  std::lock_guard guard(stepsLock_);
  steps_.push_back({flags | DeferredCallQueue::kNoWait, std::move(call)});
}

bool VelmarWorkerCallChain::Start() {
  {
    std::lock_guard guard(stepsLock_);
    if (steps_.empty()) return false;
  }
  busy_.Acquire();
  failed_.store(false);
  running_.store(true);
  return PostNext();
}

namespace {

// Lives inside a posted step call. When the queue drops the call unrun (it is
// shutting down), the chain would otherwise keep its lock for ever.
struct StepGuard {
  std::function<void()> onDroppedUnrun;
  bool ran = false;
  ~StepGuard() {
    if (!ran && onDroppedUnrun) onDroppedUnrun();
  }
};

}  // namespace

bool VelmarWorkerCallChain::PostNext() {
  uint32_t flags;
  {
    std::lock_guard guard(stepsLock_);
    if (steps_.empty()) {
      Finish();
      return true;
    }
    flags = steps_.front().flags;
  }
  auto guard = std::make_shared<StepGuard>();
  guard->onDroppedUnrun = [this] { Abandon(); };
  bool posted = queue_.Post(
      [this, guard] {
        guard->ran = true;
        DeferredCallQueue::Call call;
        {
          std::lock_guard lock(stepsLock_);
          call = std::move(steps_.front().call);
        }
        try {
          if (call) call();
        } catch (...) {
          failed_.store(true);
        }
        {
          std::lock_guard lock(stepsLock_);
          steps_.pop_front();
        }
        PostNext();
      },
      flags);
  if (!posted) {
    guard->ran = true;  // handled here rather than by the guard
    Abandon();
  }
  return posted;
}

void VelmarWorkerCallChain::Abandon() {
  failed_.store(true);
  {
    std::lock_guard guard(stepsLock_);
    steps_.clear();
  }
  Finish();
}

void VelmarWorkerCallChain::Finish() {
  running_.store(false);
  busy_.Release();
}

void VelmarWorkerCallChain::Wait() {
  for (;;) {
    if (busy_.TryAcquire()) {
      busy_.Release();
      return;
    }
    if (!queue_.ServeOne(0).ran) Nox::Time::Delay(10);
  }
}
