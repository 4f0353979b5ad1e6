// A named, process-shared memory segment with a table of attached processes.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Nox {

// The named mutex and the named shared memory are both built on a POSIX
// shared-memory object ("/velmar-<kind>-<hash of the name>") that starts with
// this header. Windows destroys a named object when its last handle closes,
// even when the process holding it crashed; the attacher table reproduces
// that: an object whose recorded attachers are all dead is treated as new.
//
// States of a segment:
//   absent      no shm object of that name exists;
//   initialising  the creator made it (O_EXCL) and fills the header; magic is
//               still 0. Others poll for magic; if it stays 0 for 2 s the
//               creator died, and the object is unlinked and made again;
//   live        magic set, at least one live process in the attacher table;
//   stale       magic set, every recorded attacher is dead (crashed without
//               detaching). The next attacher finds no live entry, clears the
//               table, re-initialises the user mutex and zeroes the data: it
//               behaves exactly as a creator;
//   retired     the last attacher detached, or a later process's sweep found
//               every attacher dead: `retired` was set and the name unlinked
//               under the registry lock. A process that opened the old object
//               just before sees `retired` and starts over.
// The registry and user mutexes are robust: when their holder dies, the next
// locker gets EOWNERDEAD, marks them consistent and carries on.
struct SegmentHeader {
  uint32_t magic;  // kMagic once initialised (written last, with release order)
  uint32_t retired;
  uint64_t dataSize;
  pthread_mutex_t registry;  // guards attachers, retired and re-initialisation
  pthread_mutex_t user;      // the named mutex (recursive, robust)
  static constexpr int kMaxAttachers = 128;
  int32_t attachers[kMaxAttachers];  // one entry per open handle, 0 = free
  static constexpr uint32_t kMagic = 0x564C4D53;
};

class NamedSegment {
 public:
  NamedSegment() = default;
  ~NamedSegment() { Detach(); }
  NamedSegment(const NamedSegment&) = delete;
  NamedSegment& operator=(const NamedSegment&) = delete;

  // Opens or creates the segment; fresh tells whether no live process held it
  // before (the data is then zero-filled). False on system failure or when the
  // attacher table is full.
  bool Attach(std::string_view kind, std::string_view name, size_t dataSize, bool* fresh);
  void Detach();
  bool IsAttached() const noexcept { return header_ != nullptr; }
  SegmentHeader* Header() const noexcept { return header_; }
  void* Data() const noexcept;
  size_t DataSize() const noexcept { return dataSize_; }

  // Retires and unlinks every object of ours whose attachers are all dead
  // (run once per process by the first Attach).
  static void SweepStale();

  // The shm object name used for a given kind and name.
  static std::string ObjectName(std::string_view kind, std::string_view name);

 private:
  SegmentHeader* header_ = nullptr;
  size_t mappedSize_ = 0;
  size_t dataSize_ = 0;
  std::string objectName_;
};

// Locks a robust mutex, repairing it when its holder died. Returns 0, or
// EOWNERDEAD when the lock was taken over from a dead holder, or an error
// (ETIMEDOUT when timeoutMs >= 0 elapsed).
int LockRobust(pthread_mutex_t* mutex, int timeoutMs);

}  // namespace Nox
