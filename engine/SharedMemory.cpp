// Named shared memory on a POSIX shared-memory object.
#include "engine/SharedMemory.h"

#include "engine/NamedSegment.h"

namespace Nox {

SharedMemory::SharedMemory() : segment_(std::make_unique<NamedSegment>()) {}

SharedMemory::~SharedMemory() { ProcessDetach(); }

bool SharedMemory::ProcessAttach(std::string_view name, size_t size, bool* created) {
  bool fresh = false;
  if (!segment_->Attach("shm", name, size, &fresh)) return false;
  if (created) *created = fresh;
  return true;
}

void* SharedMemory::Data() const noexcept { return segment_->Data(); }

size_t SharedMemory::Size() const noexcept { return segment_->DataSize(); }

bool SharedMemory::IsAttached() const noexcept { return segment_->IsAttached(); }

void SharedMemory::ProcessDetach() {
  if (segment_) segment_->Detach();
}

}  // namespace Nox
