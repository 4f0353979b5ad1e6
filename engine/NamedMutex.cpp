// Named mutex on a robust, recursive, process-shared pthread mutex.
#include "engine/NamedMutex.h"

#include <cerrno>

#include "engine/NamedSegment.h"

namespace Nox {

NamedMutex::NamedMutex() : segment_(std::make_unique<NamedSegment>()) {}

NamedMutex::~NamedMutex() { Close(); }

bool NamedMutex::Create(std::string_view name, bool initialOwner, bool* existed) {
  Close();
  bool fresh = false;
  if (!segment_->Attach("mutex", name, 0, &fresh)) return false;
  if (existed) *existed = !fresh;
  if (fresh && initialOwner && !Owned(Lock(-1))) {
    Close();
    return false;
  }
  return true;
}

bool NamedMutex::IsOpen() const noexcept { return segment_->IsAttached(); }

NamedMutex::LockResult NamedMutex::Lock(int timeoutMs) {
  if (!segment_->IsAttached()) return LockResult::Failed;
  int result = LockRobust(&segment_->Header()->user, timeoutMs);
  if (result == 0) return LockResult::Acquired;
  if (result == EOWNERDEAD) return LockResult::Abandoned;
  if (result == ETIMEDOUT || result == EBUSY) return LockResult::TimedOut;
  return LockResult::Failed;
}

bool NamedMutex::Unlock() {
  if (!segment_->IsAttached()) return false;
  return pthread_mutex_unlock(&segment_->Header()->user) == 0;
}

void NamedMutex::Close() {
  if (segment_) segment_->Detach();
}

}  // namespace Nox
