// Named mutex and shared memory across processes, process liveness and termination.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/NamedMutex.h"
#include "engine/NamedSegment.h"
#include "engine/Process.h"
#include "engine/SharedMemory.h"
#include "engine/Thread.h"

namespace {

// A name no other test run shares.
std::string UniqueName(const char* what) {
  return std::string("velmar-test/") + what + "/" + std::to_string(Nox::Process::GetProcessId());
}

// Runs body in a child process and returns its exit status (or -1).
template <typename Body>
int RunChild(Body body) {
  pid_t pid = fork();
  if (pid == 0) {
    body();
    _exit(0);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(NamedMutex, CreatorOwnsItAndJoinersSeeItExisting) {
  const std::string name = UniqueName("mutex-create");
  Nox::NamedMutex first;
  bool existed = true;
  ASSERT_TRUE(first.Create(name, true, &existed));
  EXPECT_FALSE(existed);
  // Another process cannot take it while the creator holds its initial ownership.
  EXPECT_EQ(RunChild([&] {
              Nox::NamedMutex other;
              bool childExisted = false;
              if (!other.Create(name, true, &childExisted) || !childExisted) _exit(1);
              _exit(other.Lock(0) == Nox::NamedMutex::LockResult::TimedOut ? 0 : 2);
            }),
            0);
  // Recursive for the owning thread.
  EXPECT_EQ(first.Lock(0), Nox::NamedMutex::LockResult::Acquired);
  EXPECT_TRUE(first.Unlock());
  EXPECT_TRUE(first.Unlock());
  EXPECT_EQ(RunChild([&] {
              Nox::NamedMutex other;
              if (!other.Create(name, false)) _exit(1);
              _exit(other.Lock(1000) == Nox::NamedMutex::LockResult::Acquired ? 0 : 2);
            }),
            0);
  first.Close();
  // Every handle closed: the next Create makes a new mutex again.
  Nox::NamedMutex again;
  ASSERT_TRUE(again.Create(name, false, &existed));
  EXPECT_FALSE(existed);
}

TEST(NamedMutex, HolderThatDiesDoesNotLeaveItLocked) {
  const std::string name = UniqueName("mutex-dead-holder");
  Nox::NamedMutex mutex;
  ASSERT_TRUE(mutex.Create(name, false));
  // The child opens the mutex itself, takes it and ends without releasing or closing.
  EXPECT_EQ(RunChild([&] {
              Nox::NamedMutex child;
              if (!child.Create(name, false)) _exit(1);
              if (child.Lock(1000) != Nox::NamedMutex::LockResult::Acquired) _exit(2);
              _exit(0);
            }),
            0);
  EXPECT_EQ(mutex.Lock(2000), Nox::NamedMutex::LockResult::Abandoned);
  EXPECT_TRUE(mutex.Unlock());
  EXPECT_EQ(mutex.Lock(0), Nox::NamedMutex::LockResult::Acquired);
  EXPECT_TRUE(mutex.Unlock());
}

TEST(NamedMutex, CreatorThatDiedLeavesAFreshMutex) {
  const std::string name = UniqueName("mutex-dead-creator");
  EXPECT_EQ(RunChild([&] {
              Nox::NamedMutex child;
              if (!child.Create(name, true)) _exit(1);
              _exit(0);  // holds it and never closes the handle
            }),
            0);
  Nox::NamedMutex mutex;
  bool existed = true;
  ASSERT_TRUE(mutex.Create(name, true, &existed));
  EXPECT_FALSE(existed);  // nobody alive had it open: like a new one
  EXPECT_TRUE(mutex.Unlock());
}

TEST(SharedMemory, TwoProcessesSeeTheSameBytes) {
  const std::string name = UniqueName("shm");
  Nox::SharedMemory block;
  bool created = false;
  ASSERT_TRUE(block.ProcessAttach(name, 32, &created));
  EXPECT_TRUE(created);
  ASSERT_EQ(block.Size(), 32u);
  auto* bytes = static_cast<unsigned char*>(block.Data());
  for (int i = 0; i < 32; ++i) EXPECT_EQ(bytes[i], 0);
  bytes[0] = 0x5A;
  EXPECT_EQ(RunChild([&] {
              Nox::SharedMemory child;
              bool childCreated = true;
              if (!child.ProcessAttach(name, 32, &childCreated) || childCreated) _exit(1);
              auto* data = static_cast<unsigned char*>(child.Data());
              if (data[0] != 0x5A) _exit(2);
              data[31] = 0xA5;
              child.ProcessDetach();
              _exit(0);
            }),
            0);
  EXPECT_EQ(bytes[31], 0xA5);
  block.ProcessDetach();
  Nox::SharedMemory fresh;
  ASSERT_TRUE(fresh.ProcessAttach(name, 32, &created));
  EXPECT_TRUE(created);
  EXPECT_EQ(static_cast<unsigned char*>(fresh.Data())[0], 0);
}

TEST(SharedMemory, BlockLeftByDeadProcessesStartsZeroed) {
  const std::string name = UniqueName("shm-stale");
  EXPECT_EQ(RunChild([&] {
              Nox::SharedMemory child;
              if (!child.ProcessAttach(name, 16)) _exit(1);
              std::memset(child.Data(), 0xFF, 16);
              _exit(0);  // crashes out without detaching
            }),
            0);
  Nox::SharedMemory block;
  bool created = false;
  ASSERT_TRUE(block.ProcessAttach(name, 16, &created));
  EXPECT_TRUE(created);
  EXPECT_EQ(static_cast<unsigned char*>(block.Data())[7], 0);
}

TEST(SharedMemory, SweepRemovesObjectsOfDeadProcessesOnly) {
  const std::string deadName = UniqueName("sweep-dead");
  const std::string liveName = UniqueName("sweep-live");
  auto existsInShm = [](const std::string& name) {
    return access(("/dev/shm" + Nox::NamedSegment::ObjectName("shm", name)).c_str(), F_OK) == 0;
  };
  // The first attach of a process sweeps once; attach the live object first so
  // that only the explicit sweep below can remove the dead child's object.
  Nox::SharedMemory live;
  ASSERT_TRUE(live.ProcessAttach(liveName, 8));
  EXPECT_EQ(RunChild([&] {
              Nox::SharedMemory child;
              _exit(child.ProcessAttach(deadName, 8) ? 0 : 1);  // never detaches
            }),
            0);
  ASSERT_TRUE(existsInShm(deadName));
  Nox::NamedSegment::SweepStale();
  EXPECT_FALSE(existsInShm(deadName));
  EXPECT_TRUE(existsInShm(liveName));
}

TEST(Process, LivenessProgramPathAndDiskSpace) {
  EXPECT_TRUE(Nox::Process::IsProcessAlive(Nox::Process::GetProcessId()));
  EXPECT_FALSE(Nox::Process::IsProcessAlive(0));
  EXPECT_FALSE(Nox::Process::IsProcessAlive(-1));
  pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  EXPECT_FALSE(Nox::Process::IsProcessAlive(child));
  EXPECT_EQ(Nox::Thread::GetProcessId(), static_cast<int32_t>(getpid()));
  std::string program = Nox::Process::ProgramPath();
  EXPECT_EQ(program.front(), '/');
  EXPECT_NE(program.find("test_engine"), std::string::npos);
  EXPECT_GT(Nox::Process::FreeDiskSpace("/tmp"), 0);
  EXPECT_EQ(Nox::Process::FreeDiskSpace("/no/such/volume"), -1);
}

TEST(Process, TerminateFlushesOutputAndExitsWithTheLowByte) {
  struct Case {
    int status;
    int seen;
  };
  for (Case c : {Case{0, 0}, Case{-1, 255}, Case{-100, 156}, Case{255, 255}, Case{256 + 7, 7}}) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::fflush(stdout);  // the child must not inherit the parent's pending output
    pid_t pid = fork();
    if (pid == 0) {
      dup2(fds[1], STDOUT_FILENO);
      std::printf("unflushed");  // no line end: still buffered when the process ends
      Nox::Process::TerminateProcess(c.status);
    }
    close(fds[1]);
    std::string output;
    char buffer[64];
    for (ssize_t got; (got = read(fds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<size_t>(got));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), c.seen) << c.status;
    EXPECT_EQ(output, "unflushed");
  }
}
