// Events, semaphores, critical sections and thread objects.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/Sync.h"
#include "engine/Thread.h"

namespace {

void WaitUntil(const std::function<bool()>& condition) {
  for (int i = 0; i < 5000 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(condition());
}

}  // namespace

TEST(WEvent, SetStaysSetPulseReleasesOnlyCurrentWaiters) {
  Nox::WEvent event;
  EXPECT_FALSE(event.Wait(0));
  event.Set();
  EXPECT_TRUE(event.Wait(0));
  EXPECT_TRUE(event.Wait(0));  // manual reset: still set
  event.Reset();
  EXPECT_FALSE(event.Wait(10));

  std::atomic<int> released{0};
  std::thread waiters[2];
  for (auto& waiter : waiters) {
    waiter = std::thread([&] {
      if (event.Wait(5000)) ++released;
    });
  }
  WaitUntil([&] { return event.WaiterCount() == 2; });
  event.Pulse();
  for (auto& waiter : waiters) waiter.join();
  EXPECT_EQ(released.load(), 2);
  EXPECT_FALSE(event.IsSet());  // a pulse leaves it reset
  EXPECT_FALSE(event.Wait(0));
  EXPECT_EQ(event.SignalCount(), 2u);
}

TEST(Semaphore, CountsUnitsAndTimesOut) {
  Nox::Semaphore semaphore(1);
  EXPECT_TRUE(semaphore.Wait(0));
  EXPECT_FALSE(semaphore.Wait(10));
  semaphore.Signal(2);
  EXPECT_TRUE(semaphore.Wait(0));
  EXPECT_TRUE(semaphore.Wait(0));
  EXPECT_FALSE(semaphore.Wait(0));
}

TEST(CriticalSection, NestsForItsOwnerAndTimesOutForOthers) {
  Nox::CriticalSection section;
  ASSERT_TRUE(section.Lock());
  ASSERT_TRUE(section.Lock(0));  // nesting
  bool otherGot = true;
  std::thread([&] { otherGot = section.Lock(20); }).join();
  EXPECT_FALSE(otherGot);
  section.Unlock();
  std::thread([&] { otherGot = section.Lock(0); }).join();
  EXPECT_FALSE(otherGot);  // still held once
  section.Unlock();
  std::thread([&] {
    otherGot = section.Lock(0);
    if (otherGot) section.Unlock();
  }).join();
  EXPECT_TRUE(otherGot);
}

TEST(Thread, RunsItsEntryOnceAfterResume) {
  std::atomic<int> runs{0};
  std::atomic<uint32_t> id{0};
  Nox::Thread thread([&] {
    ++runs;
    id = Nox::Thread::GetCurrentId();
  });
  EXPECT_TRUE(thread.IsDone());  // not started
  EXPECT_TRUE(thread.Resume());
  EXPECT_FALSE(thread.Resume());
  thread.Join();
  EXPECT_TRUE(thread.IsDone());
  EXPECT_EQ(runs.load(), 1);
  EXPECT_NE(id.load(), Nox::Thread::GetCurrentId());
  EXPECT_FALSE(Nox::Thread().Resume());  // no entry
}
