// Reader-writer lock grants and refusals, polling waits, main-thread serving and the watchdog; BusyLock.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "ThreadActor.h"
#include "core/BusyLock.h"
#include "core/DeferredCalls.h"
#include "core/RWLock.h"
#include "core/VelmarLog.h"
#include "engine/Log.h"
#include "engine/PString.h"
#include "engine/Render.h"
#include "engine/Thread.h"

namespace {

constexpr bool kShared = false;
constexpr bool kExclusive = true;

// Simulated time: sleeping advances it. When it reaches stopAtMs, the sleeper
// calls onStop once and then blocks until release() says the wait may end.
class FakeClock : public Nox::Time::Clock {
 public:
  uint64_t NowMs() override {
    ++calls;
    return now.load();
  }
  void SleepMs(uint32_t ms) override {
    ++calls;
    uint64_t t = now.fetch_add(ms) + ms;
    if (stopAtMs && t >= stopAtMs && onStop) {
      auto stop = std::move(onStop);
      onStop = nullptr;
      stop();
    }
  }
  std::atomic<uint64_t> now{0};
  std::atomic<int> calls{0};
  uint64_t stopAtMs = 0;
  std::function<void()> onStop;
};

void WaitUntil(const std::function<bool()>& condition) {
  for (int i = 0; i < 5000 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(condition());
}

class RWLockTest : public ::testing::Test {
 protected:
  void SetUp() override { SetApplicationName("VelmarUtil"); }
};

}  // namespace

TEST_F(RWLockTest, GrantsAndRefusals) {
  struct Step {
    int thread;  // 0 or 1
    enum { Try, Release } op;
    bool exclusive;
    bool expected;  // granted, or "last hold" for a release
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"shared holds from two threads", {{0, Step::Try, kShared, true}, {1, Step::Try, kShared, true},
                                         {0, Step::Release, kShared, false}, {1, Step::Release, kShared, true}}},
      {"exclusive excludes everyone else", {{0, Step::Try, kExclusive, true}, {1, Step::Try, kShared, false},
                                            {1, Step::Try, kExclusive, false}, {0, Step::Release, kShared, true},
                                            {1, Step::Try, kShared, true}, {1, Step::Release, kShared, true}}},
      {"exclusive holder re-enters both ways", {{0, Step::Try, kExclusive, true}, {0, Step::Try, kExclusive, true},
                                                {0, Step::Try, kShared, true}, {0, Step::Release, kShared, false},
                                                {0, Step::Release, kShared, false}, {0, Step::Release, kShared, true}}},
      {"shared holder cannot upgrade", {{0, Step::Try, kShared, true}, {0, Step::Try, kExclusive, false},
                                        {0, Step::Release, kShared, true}, {0, Step::Try, kExclusive, true},
                                        {0, Step::Release, kShared, true}}},
      {"no exclusive while another thread shares", {{0, Step::Try, kShared, true}, {1, Step::Try, kShared, true},
                                                    {0, Step::Try, kExclusive, false},
                                                    {1, Step::Release, kShared, false},
                                                    {0, Step::Release, kShared, true}}},
      {"release without a hold gives nothing back", {{1, Step::Try, kShared, true},
                                                     {0, Step::Release, kShared, false},
                                                     {1, Step::Release, kShared, true}}},
  };
  for (const Case& c : cases) {
    RWLock lock;
    ThreadActor actors[2];
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const Step& step = c.steps[i];
      bool result = actors[step.thread].Run([&] {
        return step.op == Step::Try ? lock.TryAcquire(step.exclusive) : lock.Release();
      });
      EXPECT_EQ(result, step.expected) << c.name << ", step " << i;
    }
    EXPECT_EQ(lock.HoldCount(), 0) << c.name;
  }
}

TEST_F(RWLockTest, WaitingWriterBlocksNewReadersButNotReentry) {
  RWLock lock;
  ThreadActor reader, writer, other;
  ASSERT_TRUE(reader.Run([&] { return lock.TryAcquire(kShared); }));
  std::future<bool> writerGot = writer.Async([&] { return lock.Acquire(kExclusive); });
  WaitUntil([&] { return lock.WaitingWriters() == 1; });
  EXPECT_TRUE(reader.Run([&] { return lock.TryAcquire(kShared); }));   // re-entry
  EXPECT_FALSE(other.Run([&] { return lock.TryAcquire(kShared); }));   // refused
  EXPECT_FALSE(other.Run([&] { return lock.Acquire(kShared, 30); }));  // times out
  EXPECT_FALSE(reader.Run([&] { return lock.Release(); }));
  EXPECT_TRUE(reader.Run([&] { return lock.Release(); }));
  EXPECT_TRUE(writerGot.get());
  EXPECT_TRUE(lock.IsExclusive());
  EXPECT_EQ(lock.WaitingWriters(), 0);
  EXPECT_FALSE(other.Run([&] { return lock.TryAcquire(kShared); }));
  EXPECT_TRUE(writer.Run([&] { return lock.Release(); }));
  EXPECT_TRUE(other.Run([&] { return lock.TryAcquire(kShared); }));
  EXPECT_TRUE(other.Run([&] { return lock.Release(); }));
}

TEST_F(RWLockTest, SharedHolderAskingExclusiveWaitsUntilTimeout) {
  RWLock lock;
  FakeClock clock;
  lock.SetClock(clock);
  ThreadActor worker;
  ASSERT_TRUE(worker.Run([&] { return lock.TryAcquire(kShared); }));
  EXPECT_FALSE(worker.Run([&] { return lock.Acquire(kExclusive, 500); }));
  EXPECT_GE(clock.now.load(), 500u);
  EXPECT_LT(clock.now.load(), 540u);  // gives up within one pause of the time-out
  EXPECT_EQ(lock.WaitingWriters(), 0);
  EXPECT_TRUE(worker.Run([&] { return lock.Release(); }));
}

TEST_F(RWLockTest, AcquireWithTimeoutZeroMakesOneAttempt) {
  RWLock lock;
  FakeClock clock;
  lock.SetClock(clock);
  ThreadActor holder;
  ASSERT_TRUE(holder.Run([&] { return lock.TryAcquire(kExclusive); }));
  EXPECT_FALSE(lock.Acquire(kExclusive, 0));
  EXPECT_FALSE(lock.Acquire(kShared, 0));
  EXPECT_EQ(clock.calls.load(), 0);  // no wait, no clock
  EXPECT_EQ(lock.WaitingWriters(), 0);
  EXPECT_TRUE(holder.Run([&] { return lock.Release(); }));
  EXPECT_TRUE(lock.Acquire(kExclusive, 0));
  EXPECT_TRUE(lock.Release());
}

TEST_F(RWLockTest, EachReleaseSignalsTheEvent) {
  RWLock lock;
  ASSERT_TRUE(lock.Acquire(kShared));
  ASSERT_TRUE(lock.Acquire(kShared));
  uint64_t signals = lock.ReleaseSignals();
  EXPECT_FALSE(lock.Release());
  EXPECT_TRUE(lock.Release());
  EXPECT_EQ(lock.ReleaseSignals(), signals + 2);
  EXPECT_EQ(lock.HoldCount(), 0);
  EXPECT_FALSE(lock.IsExclusive());
  EXPECT_FALSE(lock.Release());  // nothing left to give back
}

TEST_F(RWLockTest, PollingBacksOffFromImmediateRetriesToTwentyMilliseconds) {
  RWLock lock;
  struct RecordingClock : FakeClock {
    void SleepMs(uint32_t ms) override {
      pauses.push_back(ms);
      FakeClock::SleepMs(ms);
    }
    std::vector<uint32_t> pauses;
  } clock;
  lock.SetClock(clock);
  ThreadActor holder, waiter;
  ASSERT_TRUE(holder.Run([&] { return lock.TryAcquire(kExclusive); }));
  EXPECT_FALSE(waiter.Run([&] { return lock.Acquire(kShared, 400); }));
  ASSERT_GT(clock.pauses.size(), 125u);
  for (size_t i = 0; i < 100; ++i) EXPECT_EQ(clock.pauses[i], 0u) << i;
  for (size_t i = 100; i <= 120; ++i) EXPECT_EQ(clock.pauses[i], i - 100) << i;
  for (size_t i = 121; i < clock.pauses.size(); ++i) EXPECT_EQ(clock.pauses[i], 20u) << i;
  EXPECT_TRUE(holder.Run([&] { return lock.Release(); }));
}

TEST_F(RWLockTest, MainThreadServesTheQueueWhileItWaits) {
  RWLock lock;
  DeferredCallQueue queue(0);
  lock.SetQueue(queue);
  ThreadActor holder;
  ASSERT_TRUE(holder.Run([&] { return lock.TryAcquire(kExclusive); }));
  std::atomic<bool> lockWaitCallRan{false};
  std::atomic<uint32_t> ranOn{0};
  // The holder needs the main thread before it lets go: without serving, a deadlock.
  std::future<bool> holderDone = holder.Async([&] {
    queue.Post([&] { lockWaitCallRan = true; }, DeferredCallQueue::kMainThreadOnly | DeferredCallQueue::kNotInLockWait |
                                                   DeferredCallQueue::kNoWait);
    bool posted = queue.Post([&] { ranOn = Nox::Thread::GetCurrentId(); }, DeferredCallQueue::kMainThreadOnly);
    lock.Release();
    return posted;
  });
  EXPECT_TRUE(lock.Acquire(kExclusive));
  EXPECT_TRUE(holderDone.get());
  EXPECT_EQ(ranOn.load(), Nox::Thread::GetCurrentId());
  EXPECT_FALSE(lockWaitCallRan.load());  // marked "not inside a lock wait"
  EXPECT_EQ(queue.Serve(0), 0);
  EXPECT_TRUE(lockWaitCallRan.load());
  EXPECT_TRUE(lock.Release());
}

TEST_F(RWLockTest, WatchdogShowsTheScreenEveryFifteenSecondsOnTheMainThreadOnly) {
  std::vector<std::string> lines;
  Nox::Log::SetObserver([&](int, std::string_view line) {
    if (line.find("BlockingScreen") != std::string_view::npos) lines.emplace_back(line);
  });
  auto blockFor40Seconds = [](RWLock& lock, FakeClock& clock, ThreadActor& holder) {
    EXPECT_TRUE(holder.Run([&] { return lock.TryAcquire(kExclusive); }));
    std::promise<void> released;
    auto releasedFuture = released.get_future();
    clock.stopAtMs = 40000;
    clock.onStop = [&] {
      holder.Run([&] { return lock.Release(); });
      released.set_value();
    };
    EXPECT_TRUE(lock.Acquire(kExclusive));
    releasedFuture.wait();
    EXPECT_TRUE(lock.Release());
  };

  // Main thread.
  {
    RWLock lock;
    FakeClock clock;
    lock.SetClock(clock);
    DeferredCallQueue queue(0);
    lock.SetQueue(queue);
    ThreadActor holder;
    uint64_t shows = Nox::BlockingScreen::ShowCount();
    uint64_t dumps = Nox::ResourceSystem::DumpCount();
    { Nox::PString garbage("watchdog-unheld-text"); }
    size_t cached = Nox::PString::CacheSize();
    blockFor40Seconds(lock, clock, holder);
    EXPECT_LT(Nox::PString::CacheSize(), cached);  // unused strings were collected
    EXPECT_EQ(Nox::BlockingScreen::ShowCount(), shows + 2);  // at 15 s and 30 s
    EXPECT_EQ(Nox::ResourceSystem::DumpCount(), dumps + 2);
    EXPECT_FALSE(Nox::BlockingScreen::IsShown());            // hidden after the wait
    EXPECT_EQ(lines, (std::vector<std::string>{"BlockingScreen> showing BlockingScreen.jpg",
                                               "BlockingScreen> showing BlockingScreen.jpg"}));
  }
  // A worker thread never shows it.
  {
    RWLock lock;
    FakeClock clock;
    lock.SetClock(clock);
    ThreadActor holder, waiter;
    uint64_t shows = Nox::BlockingScreen::ShowCount();
    waiter.Run([&] {
      blockFor40Seconds(lock, clock, holder);
      return true;
    });
    EXPECT_EQ(Nox::BlockingScreen::ShowCount(), shows);
  }
  Nox::Log::SetObserver({});
}

TEST_F(RWLockTest, MainThreadTimeoutIsNotRestartedByTheWatchdog) {
  RWLock lock;
  FakeClock clock;
  lock.SetClock(clock);
  DeferredCallQueue queue(0);
  lock.SetQueue(queue);
  ThreadActor holder;
  ASSERT_TRUE(holder.Run([&] { return lock.TryAcquire(kExclusive); }));
  uint64_t shows = Nox::BlockingScreen::ShowCount();
  clock.stopAtMs = 120000;  // a safety net should the time-out never end the wait
  clock.onStop = [&] { holder.Run([&] { return lock.Release(); }); };
  EXPECT_FALSE(lock.Acquire(kExclusive, 20000));
  EXPECT_LT(clock.now.load(), 20100u);
  EXPECT_EQ(Nox::BlockingScreen::ShowCount(), shows + 1);
  holder.Run([&] { return lock.Release(); });
}

TEST(BusyLock, ExcludesAndCanBeReleasedByAnotherThread) {
  BusyLock lock;
  EXPECT_TRUE(lock.TryAcquire());
  EXPECT_FALSE(lock.TryAcquire());  // not reentrant
  std::atomic<bool> got{false};
  std::thread waiter([&] {
    lock.Acquire();
    got = true;
  });
  WaitUntil([&] { return lock.Waiters() == 1; });
  EXPECT_FALSE(got.load());
  std::thread([&] { lock.Release(); }).join();
  waiter.join();
  EXPECT_TRUE(got.load());
  EXPECT_EQ(lock.Waiters(), 0);
  EXPECT_TRUE(lock.IsBusy());
  lock.Release();
  EXPECT_FALSE(lock.IsBusy());
}
