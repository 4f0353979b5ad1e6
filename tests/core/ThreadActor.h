// Runs work on one dedicated thread, so that per-thread lock holds can be scripted from a test.
#pragma once

#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <queue>
#include <thread>

class ThreadActor {
 public:
  ThreadActor() : thread_([this] { Loop(); }) {}
  ~ThreadActor() {
    Start([] {}, true);
    thread_.join();
  }

  // Runs work on the actor's thread and waits for its result.
  template <typename Work>
  auto Run(Work work) {
    return Async(std::move(work)).get();
  }
  // Runs work on the actor's thread without waiting.
  template <typename Work>
  auto Async(Work work) {
    auto task = std::make_shared<std::packaged_task<decltype(work())()>>(std::move(work));
    auto result = task->get_future();
    Start([task] { (*task)(); }, false);
    return result;
  }

 private:
  void Start(std::function<void()> job, bool stop) {
    std::lock_guard guard(lock_);
    jobs_.push({std::move(job), stop});
    ready_.notify_one();
  }
  void Loop() {
    for (;;) {
      std::pair<std::function<void()>, bool> job;
      {
        std::unique_lock guard(lock_);
        ready_.wait(guard, [&] { return !jobs_.empty(); });
        job = std::move(jobs_.front());
        jobs_.pop();
      }
      job.first();
      if (job.second) return;
    }
  }

  std::mutex lock_;
  std::condition_variable ready_;
  std::queue<std::pair<std::function<void()>, bool>> jobs_;
  std::thread thread_;
};
