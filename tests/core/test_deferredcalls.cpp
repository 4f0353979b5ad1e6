// Deferred-call queue: inline runs, eligibility by flags, workers, shutdown; call chains.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/DeferredCalls.h"
#include "core/VelmarLog.h"
#include "engine/Log.h"
#include "engine/Thread.h"

namespace {

using Q = DeferredCallQueue;

void WaitUntil(const std::function<bool()>& condition) {
  for (int i = 0; i < 5000 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(condition());
}

class DeferredCallsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetApplicationName("VelmarUtil");
    mainId = Nox::Thread::GetCurrentId();
  }
  uint32_t mainId = 0;
};

}  // namespace

TEST_F(DeferredCallsTest, CallRunsAtOnceOnAThreadThatMayRunIt) {
  Q queue(0);
  uint32_t ranOn = 0;
  EXPECT_TRUE(queue.Post([&] { ranOn = Nox::Thread::GetCurrentId(); }, Q::kMainThreadOnly));
  EXPECT_EQ(ranOn, mainId);
  std::thread([&] {
    EXPECT_TRUE(queue.Post([&] { ranOn = Nox::Thread::GetCurrentId(); }, Q::kNotOnMainThread));
    EXPECT_EQ(ranOn, Nox::Thread::GetCurrentId());
  }).join();
  EXPECT_EQ(queue.QueuedCount(), 0);
  // A throwing call is reported to its poster, not raised in it, whether it
  // ran at once or was served by another thread.
  EXPECT_FALSE(queue.Post([] { throw std::runtime_error("x"); }, 0));
  std::future<bool> posted = std::async(std::launch::async, [&] {
    return queue.Post([] { throw std::runtime_error("y"); }, Q::kMainThreadOnly);
  });
  WaitUntil([&] { return queue.QueuedCount() == 1; });
  queue.Serve(0);
  EXPECT_FALSE(posted.get());
}

TEST_F(DeferredCallsTest, EligibilityOfFlagsPerServer) {
  struct Case {
    uint32_t callFlags;
    uint32_t serveFlags;
    bool onMainThread;
    bool runs;
  };
  const Case cases[] = {
      {0, 0, true, true},    {0, 0, false, true},  {1, 0, true, true},   {1, 0, false, false},
      {16, 0, true, false},  {16, 0, false, true}, {4, 4, true, false},  {5, 4, true, false},
      {16, 4, true, false},  {1, 4, true, true},   {2, 4, true, true},   {2, 0, false, true},
      {4, 0, true, true},    {4, 4, false, false}, {17, 0, true, false}, {17, 0, false, false},
  };
  for (const Case& c : cases) {
    Q queue(0);
    std::atomic<bool> ran{false};
    ASSERT_TRUE(queue.Post([&] { ran = true; }, c.callFlags | Q::kNoWait));
    int remaining = -1;
    auto serve = [&] { remaining = queue.Serve(c.serveFlags); };
    if (c.onMainThread) {
      serve();
    } else {
      std::thread(serve).join();
    }
    EXPECT_EQ(ran.load(), c.runs) << "flags " << c.callFlags << " served with " << c.serveFlags << " on "
                                  << (c.onMainThread ? "main" : "other");
    EXPECT_EQ(remaining, 0);
    EXPECT_EQ(queue.QueuedCount(), c.runs ? 0 : 1);
  }
}

TEST_F(DeferredCallsTest, ServeRunsInPostingOrderAndCountsWhatIsLeft) {
  Q queue(0);
  std::vector<int> order;
  for (int i = 0; i < 3; ++i) queue.Post([&order, i] { order.push_back(i); }, Q::kNoWait);
  queue.Post([&order] { order.push_back(99); }, Q::kNoWait | Q::kNotOnMainThread);
  EXPECT_EQ(queue.Serve(0), 3);  // 4 queued, one ran
  EXPECT_EQ(queue.Serve(0), 2);
  EXPECT_EQ(queue.Serve(0), 1);
  EXPECT_EQ(queue.Serve(0), 0);  // only the worker call is left: passed over
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

TEST_F(DeferredCallsTest, MainThreadCallPostedFromAnotherThreadWaitsForTheMainThread) {
  Q queue;
  std::vector<std::string> log;
  Nox::Log::SetObserver([&](int, std::string_view line) { log.emplace_back(line); });
  std::atomic<uint32_t> ranOn{0};
  std::future<bool> posted = std::async(std::launch::async, [&] {
    return queue.Post([&] { ranOn = Nox::Thread::GetCurrentId(); }, Q::kMainThreadOnly);
  });
  WaitUntil([&] { return queue.QueuedCount() == 1; });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(ranOn.load(), 0u);  // no worker took it
  EXPECT_EQ(queue.WorkerCount(), 0);
  queue.Serve(0);
  EXPECT_TRUE(posted.get());
  EXPECT_EQ(ranOn.load(), mainId);
  Nox::Log::SetObserver({});
  EXPECT_EQ(log, (std::vector<std::string>{"PostThreadMessage> message 3524 (0, 0)"}));
}

TEST_F(DeferredCallsTest, WorkerOnlyCallRunsOnAWorker) {
  Q queue;
  std::atomic<uint32_t> ranOn{0};
  EXPECT_TRUE(queue.Post([&] { ranOn = Nox::Thread::GetCurrentId(); }, Q::kNoWait | Q::kNotOnMainThread));
  for (int i = 0; i < 50; ++i) queue.Serve(0);  // the main thread passes over it
  WaitUntil([&] { return ranOn.load() != 0; });
  EXPECT_NE(ranOn.load(), mainId);

  // With no worker alive, the main thread's serve starts one for a call it passes over.
  Q idle(4, 20);
  idle.Post([] {}, Q::kNoWait);  // starts a worker that ends after 20 ms idle
  WaitUntil([&] { return idle.QueuedCount() == 0 && idle.WorkerCount() == 0; });
  std::atomic<bool> ran{false};
  idle.Post([&] { ran = true; }, Q::kNoWait | Q::kNotOnMainThread | Q::kMainThreadOnly);
  EXPECT_EQ(idle.WorkerCount(), 0);  // bit 1 set: posting starts none
  idle.Serve(0);
  EXPECT_EQ(idle.WorkerCount(), 1);
  EXPECT_FALSE(ran.load());  // runnable nowhere
}

TEST_F(DeferredCallsTest, AtMostFourWorkersThatEndWhenIdle) {
  Q queue(Q::kMaxWorkers, 50);
  std::promise<void> go;
  std::shared_future<void> gate = go.get_future().share();
  std::atomic<int> running{0};
  for (int i = 0; i < 10; ++i) {
    queue.Post([&, gate] {
      ++running;
      gate.wait();
    }, Q::kNoWait);
  }
  WaitUntil([&] { return running.load() == 4; });
  EXPECT_EQ(queue.WorkerCount(), 4);
  go.set_value();
  WaitUntil([&] { return running.load() == 10; });
  WaitUntil([&] { return queue.WorkerCount() == 0; });
}

TEST_F(DeferredCallsTest, IdleWorkerEndsWhileOnlyMainThreadCallsAreQueued) {
  Q queue(Q::kMaxWorkers, 30);
  queue.Post([] {}, Q::kNoWait);  // starts a worker
  queue.Post([] {}, Q::kNoWait | Q::kMainThreadOnly);
  // The worker cannot run the queued call; it must go idle and end, not spin.
  WaitUntil([&] { return queue.WorkerCount() == 0; });
  EXPECT_EQ(queue.QueuedCount(), 1);
}

TEST_F(DeferredCallsTest, ShutdownFailsQueuedCallsAndReleasesWaitingPosters) {
  Q queue(0);
  std::atomic<bool> ran{false};
  std::future<bool> posted = std::async(std::launch::async, [&] {
    return queue.Post([&] { ran = true; }, Q::kMainThreadOnly);
  });
  WaitUntil([&] { return queue.QueuedCount() == 1; });
  queue.Shutdown();
  EXPECT_FALSE(posted.get());
  EXPECT_FALSE(ran.load());
  EXPECT_EQ(queue.QueuedCount(), 0);
  EXPECT_EQ(queue.Serve(0), 0);
  EXPECT_FALSE(queue.Post([] {}, Q::kNoWait));
}

TEST_F(DeferredCallsTest, ChainRunsEachStepOnTheThreadItsFlagsAllow) {
  Q queue;
  VelmarWorkerCallChain chain(queue);
  std::vector<uint32_t> threads(3);
  std::vector<int> order;
  std::mutex orderLock;
  auto step = [&](int i) {
    return [&, i] {
      threads[i] = Nox::Thread::GetCurrentId();
      std::lock_guard guard(orderLock);
      order.push_back(i);
    };
  };
  chain.AddStep(11, step(0));
  chain.AddStep(24, step(1));
  chain.AddStep(9, step(2));
  ASSERT_TRUE(chain.Start());
  chain.Wait();
  EXPECT_FALSE(chain.Running());
  EXPECT_FALSE(chain.Failed());
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(threads[0], mainId);
  EXPECT_NE(threads[1], mainId);
  EXPECT_NE(threads[1], 0u);
  EXPECT_EQ(threads[2], mainId);
  EXPECT_FALSE(VelmarWorkerCallChain(queue).Start());  // no steps
}

TEST_F(DeferredCallsTest, ChainWithAThrowingStepRunsTheRestAndFails) {
  Q queue;
  VelmarWorkerCallChain chain(queue);
  std::atomic<int> ran{0};
  chain.AddStep(0, [&] { ++ran; });
  chain.AddStep(16, [&] {
    ++ran;
    throw std::runtime_error("step failed");
  });
  chain.AddStep(1, [&] { ++ran; });
  ASSERT_TRUE(chain.Start());
  chain.Wait();
  EXPECT_EQ(ran.load(), 3);
  EXPECT_TRUE(chain.Failed());
}

TEST_F(DeferredCallsTest, ChainWhoseStepIsDroppedAtShutdownEnds) {
  Q queue(0);
  VelmarWorkerCallChain chain(queue);
  bool ran = false;
  chain.AddStep(Q::kNotOnMainThread, [&] { ran = true; });  // no worker will ever run it
  ASSERT_TRUE(chain.Start());
  EXPECT_TRUE(chain.Running());
  queue.Shutdown();
  EXPECT_FALSE(chain.Running());
  EXPECT_TRUE(chain.Failed());
  chain.Wait();  // returns instead of waiting for ever
  EXPECT_FALSE(ran);
}
