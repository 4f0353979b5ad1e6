// Process-wide deferred-call queue with up to four workers, and call chains built on it.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "core/BusyLock.h"
#include "engine/Sync.h"
#include "engine/Thread.h"

// Calls are posted with flag bits that say which threads may run them. A
// server (a worker, or the main thread while it waits) adds its own bit -
// kNotOnMainThread on the main thread, kMainThreadOnly elsewhere - to the
// flags it serves with, and runs the first queued call whose flags share no
// bit with them. The main thread is the one that called SetApplicationName.
class DeferredCallQueue {
 public:
  using Call = std::function<void()>;

  static constexpr uint32_t kMainThreadOnly = 1;    // never on a worker
  static constexpr uint32_t kReserved2 = 2;         // carried by some posts, tested by nobody
  static constexpr uint32_t kNotInLockWait = 4;     // not while the main thread waits for a lock
  static constexpr uint32_t kNoWait = 8;            // the poster does not wait
  static constexpr uint32_t kNotOnMainThread = 16;  // never on the main thread
  static constexpr int kMaxWorkers = 4;
  static constexpr int kWorkerIdleMs = 5000;
  // Thread message sent to the main thread when main-thread work is queued.
  static constexpr uint32_t kWakeMainThreadMessage = 3524;

  // Tests use smaller pools and idle times (0 workers: only explicit Serve runs calls).
  explicit DeferredCallQueue(int maxWorkers = kMaxWorkers, int workerIdleMs = kWorkerIdleMs)
      : maxWorkers_(maxWorkers), workerIdleMs_(workerIdleMs) {}
  // Shuts down (waiting for the workers) when not done already.
  ~DeferredCallQueue();
  DeferredCallQueue(const DeferredCallQueue&) = delete;
  DeferredCallQueue& operator=(const DeferredCallQueue&) = delete;

  // The process's queue (never destroyed).
  static DeferredCallQueue& Instance();

  // Without kNoWait, a call the calling thread may run itself runs at once;
  // otherwise it is queued and the poster waits until a server has run it.
  // Returns false when the queue shut down before running the call, or when
  // the call threw (the exception does not reach the poster).
  bool Post(Call call, uint32_t flags);
  // Runs the first call eligible for these flags (plus the caller's own bit).
  // Returns how many calls were still queued after it, 0 when it ran none.
  int Serve(uint32_t flags);
  // Like Serve, but also tells whether a call ran.
  struct ServeResult {
    bool ran = false;
    int remaining = 0;
  };
  ServeResult ServeOne(uint32_t flags);

  // Fails every queued call (waiting posters get false) and waits for the
  // workers to end. Later posts and serves do nothing.
  void Shutdown();

  int QueuedCount();
  int WorkerCount();
  bool IsShuttingDown() const noexcept { return shuttingDown_.load(); }
  // Waiters are released after each call that runs.
  Nox::WEvent& CompletionEvent() noexcept { return completed_; }

 private:
  struct Completion {
    std::atomic<bool> done{false};
    std::atomic<bool> failed{false};
  };
  struct Item {
    Call call;
    uint32_t flags = 0;
    Completion* completion = nullptr;  // set when the poster waits
    uint64_t id = 0;
  };

  static uint32_t OwnBit();
  void EnsureWorker();
  void WorkerLoop();

  const int maxWorkers_;
  const int workerIdleMs_;
  std::mutex lock_;
  std::deque<Item> queued_;
  std::list<Item> running_;
  std::vector<std::unique_ptr<Nox::Thread>> workers_;
  Nox::WEvent work_;
  Nox::WEvent completed_;
  std::atomic<bool> shuttingDown_{false};
  bool mainThreadWoken_ = false;
  uint64_t nextId_ = 0;
};

// A sequence of steps run one after the other through the queue, each on a
// thread its flags allow (kNoWait is always added). A BusyLock is held from
// Start until the last step has run; Wait serves the queue meanwhile, so a
// waiting main thread runs the main-thread steps itself.
class VelmarWorkerCallChain {
 public:
  explicit VelmarWorkerCallChain(DeferredCallQueue& queue = DeferredCallQueue::Instance());
  // Waits for a running chain.
  ~VelmarWorkerCallChain();
  VelmarWorkerCallChain(const VelmarWorkerCallChain&) = delete;
  VelmarWorkerCallChain& operator=(const VelmarWorkerCallChain&) = delete;

  void AddStep(uint32_t flags, DeferredCallQueue::Call call);
  // Starts the chain; false when it holds no step or the first post failed.
  bool Start();
  void Wait();
  // True when a step threw (or could not be posted) during the last run.
  bool Failed() const noexcept { return failed_.load(); }
  bool Running() const noexcept { return running_.load(); }

 private:
  struct Step {
    uint32_t flags;
    DeferredCallQueue::Call call;
  };
  bool PostNext();
  void Finish();
  void Abandon();

  DeferredCallQueue& queue_;
  std::mutex stepsLock_;
  std::deque<Step> steps_;
  BusyLock busy_;
  std::atomic<bool> running_{false};
  std::atomic<bool> failed_{false};
};
