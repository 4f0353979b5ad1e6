// Process services on POSIX.
#include "engine/Process.h"

#include <signal.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>

#include "engine/Log.h"

namespace Nox::Process {

int32_t GetProcessId() { return static_cast<int32_t>(::getpid()); }

bool IsProcessAlive(int32_t pid) {
  if (pid <= 0) return false;
  if (::kill(static_cast<pid_t>(pid), 0) == 0) return true;
  return errno == EPERM;
}

std::string ProgramPath() {
  char buffer[4096];
  ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return {};
  return std::string(buffer, static_cast<size_t>(length));
}

void TerminateProcess(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  ::_exit(status & 0xFF);
}

int64_t FreeDiskSpace(std::string_view path) {
  std::string text(path.empty() ? std::string_view(".") : path);
  struct statvfs info {};
  if (::statvfs(text.c_str(), &info) != 0) return -1;
  return static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize);
}

void PostThreadMessage(uint32_t message, uint64_t wParam, int64_t lParam) {
  Nox::Log::GetClient()->OutputString(1, "PostThreadMessage> message %u (%" PRIu64 ", %" PRId64 ")",
                                      message, wParam, lParam);
}

}  // namespace Nox::Process
