// Nox::SharedMemory: a named block of memory shared between processes.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace Nox {

class NamedSegment;

// The block exists while any live process is attached; the first attacher
// (or the first after every earlier attacher died) gets it zero-filled and is
// told so through created. Access to the bytes is not synchronised: guard it
// with a NamedMutex.
class SharedMemory {
 public:
  SharedMemory();
  ~SharedMemory();
  SharedMemory(const SharedMemory&) = delete;
  SharedMemory& operator=(const SharedMemory&) = delete;

  bool ProcessAttach(std::string_view name, size_t size, bool* created = nullptr);
  void* Data() const noexcept;
  size_t Size() const noexcept;
  bool IsAttached() const noexcept;
  void ProcessDetach();

 private:
  std::unique_ptr<NamedSegment> segment_;
};

}  // namespace Nox
