// Nox::Thread: a thread object with an entry function, started by Resume.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace Nox {

class Thread {
 public:
  using Entry = std::function<void()>;

  Thread() = default;
  explicit Thread(Entry entry) : entry_(std::move(entry)) {}
  // Joins a started thread (the thread object must not outlive its work).
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  void SetEntry(Entry entry) { entry_ = std::move(entry); }
  // Starts the thread; false when it was already started or has no entry.
  bool Resume();
  bool IsStarted() const noexcept { return started_; }
  // True once the entry function has returned (or the thread never started).
  bool IsDone() const noexcept { return done_->load(std::memory_order_acquire); }
  // Waits for the thread to end.
  void Join();
  // Threads cannot be killed safely; Terminate waits for the entry to return.
  void Terminate() { Join(); }

  // Small process-unique id of the calling thread (the kernel thread id).
  static uint32_t GetCurrentId();
  static int32_t GetProcessId();
  static bool IsProcessAlive(int32_t pid);

 private:
  Entry entry_;
  std::thread thread_;
  bool started_ = false;
  std::shared_ptr<std::atomic<bool>> done_ = std::make_shared<std::atomic<bool>>(true);
};

}  // namespace Nox
