// Thread objects over std::thread; thread ids are the kernel's.
#include "engine/Thread.h"

#include <sys/syscall.h>
#include <unistd.h>

#include "engine/Process.h"

namespace Nox {

Thread::~Thread() { Join(); }

bool Thread::Resume() {
  if (started_ || !entry_) return false;
  started_ = true;
  done_->store(false, std::memory_order_release);
  thread_ = std::thread([entry = entry_, done = done_] {
    entry();
    done->store(true, std::memory_order_release);
  });
  return true;
}

void Thread::Join() {
  if (thread_.joinable()) thread_.join();
}

uint32_t Thread::GetCurrentId() {
  thread_local uint32_t id = static_cast<uint32_t>(::syscall(SYS_gettid));
  return id;
}

int32_t Thread::GetProcessId() { return Process::GetProcessId(); }

bool Thread::IsProcessAlive(int32_t pid) { return Process::IsProcessAlive(pid); }

}  // namespace Nox
