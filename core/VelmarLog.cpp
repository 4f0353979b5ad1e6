// Error reports, RaiseError, application name and main thread, program root.
#include "core/VelmarLog.h"

#include <atomic>
#include <cstdarg>
#include <mutex>

#include "engine/File.h"
#include "engine/Log.h"
#include "engine/TextFormat.h"
#include "engine/Thread.h"

namespace {

struct Identity {
  std::mutex lock;
  std::string applicationName;
};

Identity& TheIdentity() {
  static Identity* identity = new Identity;
  return *identity;
}

std::atomic<uint32_t> mainThreadId{0};

}  // namespace

void ReportError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = Nox::VFormat(format, args);
  va_end(args);
  Nox::Log::GetClient()->OutputString(2, "%s", text.c_str());
}

void RaiseError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = Nox::VFormat(format, args);
  va_end(args);
  Nox::Log::GetClient()->OutputString(2, "%s", text.c_str());
  throw VelmarEx("VelmarLog", 53, text);
}

void SetApplicationName(std::string_view name) {
  Identity& identity = TheIdentity();
  {
    std::lock_guard guard(identity.lock);
    identity.applicationName = name;
  }
  mainThreadId.store(Nox::Thread::GetCurrentId(), std::memory_order_release);
}

std::string GetApplicationName() {
  Identity& identity = TheIdentity();
  std::lock_guard guard(identity.lock);
  return identity.applicationName;
}

bool IsMainThread() {
  uint32_t id = mainThreadId.load(std::memory_order_acquire);
  return id != 0 && id == Nox::Thread::GetCurrentId();
}

void SetProgramRoot(std::string_view path) { Nox::File::SetProgramRoot(path); }

std::string GetProgramRoot() { return Nox::File::GetProgramRoot(); }
