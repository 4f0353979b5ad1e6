// POSIX shared-memory segments with robust process-shared mutexes and an attacher table.
#include "engine/NamedSegment.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "engine/Process.h"
#include "engine/Time.h"

namespace Nox {

namespace {

uint64_t HashName(std::string_view name) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : name) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

bool InitMutex(pthread_mutex_t* mutex, bool recursive) {
  pthread_mutexattr_t attributes;
  if (pthread_mutexattr_init(&attributes) != 0) return false;
  pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
  pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
  if (recursive) pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  int result = pthread_mutex_init(mutex, &attributes);
  pthread_mutexattr_destroy(&attributes);
  return result == 0;
}

uint32_t LoadMagic(SegmentHeader* header) {
  return std::atomic_ref<uint32_t>(header->magic).load(std::memory_order_acquire);
}

// Waits for the creator to finish the header; false when it never does.
bool WaitForInitialised(int fd, size_t minimumSize, SegmentHeader** mapped, size_t* mappedSize) {
  uint64_t deadline = Time::Ms() + 2000;
  for (;;) {
    struct stat st {};
    if (fstat(fd, &st) == 0 && static_cast<size_t>(st.st_size) >= minimumSize) {
      size_t size = static_cast<size_t>(st.st_size);
      void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
      if (memory == MAP_FAILED) return false;
      auto* header = static_cast<SegmentHeader*>(memory);
      while (LoadMagic(header) != SegmentHeader::kMagic) {
        if (Time::Ms() > deadline) {
          munmap(memory, size);
          return false;
        }
        Time::Delay(1);
      }
      *mapped = header;
      *mappedSize = size;
      return true;
    }
    if (Time::Ms() > deadline) return false;
    Time::Delay(1);
  }
}

bool AllAttachersDead(const SegmentHeader& header) {
  for (int32_t pid : header.attachers) {
    if (pid != 0 && Process::IsProcessAlive(pid)) return false;
  }
  return true;
}

}  // namespace

// Processes that end through _exit never detach, so objects with names used
// once (temporary installations) would pile up in /dev/shm. Once per process,
// objects of ours whose recorded attachers are all dead are retired and
// unlinked, as the system would have destroyed them.
void NamedSegment::SweepStale() {
  DIR* dir = opendir("/dev/shm");
  if (!dir) return;
  while (struct dirent* item = readdir(dir)) {
    std::string name = item->d_name;
    if (name.rfind("velmar-", 0) != 0) continue;
    std::string objectName = "/" + name;
    int fd = shm_open(objectName.c_str(), O_RDWR, 0600);
    if (fd < 0) continue;
    struct stat st {};
    if (fstat(fd, &st) != 0 || static_cast<size_t>(st.st_size) < sizeof(SegmentHeader)) {
      close(fd);
      continue;
    }
    size_t size = static_cast<size_t>(st.st_size);
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (memory == MAP_FAILED) continue;
    auto* header = static_cast<SegmentHeader*>(memory);
    if (LoadMagic(header) == SegmentHeader::kMagic) {
      int locked = LockRobust(&header->registry, 0);
      if (locked == 0 || locked == EOWNERDEAD) {
        if (!header->retired && AllAttachersDead(*header)) {
          header->retired = 1;
          shm_unlink(objectName.c_str());
        }
        pthread_mutex_unlock(&header->registry);
      }
    }
    munmap(memory, size);
  }
  closedir(dir);
}

int LockRobust(pthread_mutex_t* mutex, int timeoutMs) {
  int result;
  if (timeoutMs < 0) {
    result = pthread_mutex_lock(mutex);
  } else if (timeoutMs == 0) {
    result = pthread_mutex_trylock(mutex);
    if (result == EBUSY) result = ETIMEDOUT;
  } else {
    struct timespec until {};
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_sec += timeoutMs / 1000;
    until.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
    if (until.tv_nsec >= 1000000000L) {
      until.tv_sec += 1;
      until.tv_nsec -= 1000000000L;
    }
    result = pthread_mutex_timedlock(mutex, &until);
  }
  if (result == EOWNERDEAD) {
    pthread_mutex_consistent(mutex);
    return EOWNERDEAD;
  }
  return result;
}

std::string NamedSegment::ObjectName(std::string_view kind, std::string_view name) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "/velmar-%.8s-%016llx", std::string(kind).c_str(),
                static_cast<unsigned long long>(HashName(name)));
  return buffer;
}

bool NamedSegment::Attach(std::string_view kind, std::string_view name, size_t dataSize, bool* fresh) {
  Detach();
  const std::string objectName = ObjectName(kind, name);
  const size_t wanted = sizeof(SegmentHeader) + dataSize;
  const int32_t self = Process::GetProcessId();
  static std::once_flag swept;
  std::call_once(swept, SweepStale);

  for (int attempt = 0; attempt < 20; ++attempt) {
    SegmentHeader* header = nullptr;
    size_t mappedSize = 0;
    int fd = shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd >= 0) {
      // Creator: size, map and initialise, then publish the magic.
      if (ftruncate(fd, static_cast<off_t>(wanted)) != 0) {
        close(fd);
        shm_unlink(objectName.c_str());
        return false;
      }
      void* memory = mmap(nullptr, wanted, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
      close(fd);
      if (memory == MAP_FAILED) {
        shm_unlink(objectName.c_str());
        return false;
      }
      header = static_cast<SegmentHeader*>(memory);
      mappedSize = wanted;
      std::memset(memory, 0, wanted);
      header->dataSize = dataSize;
      if (!InitMutex(&header->registry, false) || !InitMutex(&header->user, true)) {
        munmap(memory, wanted);
        shm_unlink(objectName.c_str());
        return false;
      }
      std::atomic_ref<uint32_t>(header->magic).store(SegmentHeader::kMagic, std::memory_order_release);
    } else if (errno == EEXIST) {
      fd = shm_open(objectName.c_str(), O_RDWR, 0600);
      if (fd < 0) continue;  // unlinked meanwhile: start over
      bool ready = WaitForInitialised(fd, sizeof(SegmentHeader), &header, &mappedSize);
      if (!ready) {
        close(fd);
        shm_unlink(objectName.c_str());  // its creator died half-way
        continue;
      }
      // A block asked for larger than it is: grow it (only possible while fresh, checked below).
      if (mappedSize < wanted) {
        if (ftruncate(fd, static_cast<off_t>(wanted)) == 0) {
          munmap(header, mappedSize);
          void* memory = mmap(nullptr, wanted, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
          header = memory == MAP_FAILED ? nullptr : static_cast<SegmentHeader*>(memory);
          mappedSize = wanted;
        } else {
          munmap(header, mappedSize);
          header = nullptr;
        }
      }
      close(fd);
      if (!header) return false;
    } else {
      return false;
    }

    LockRobust(&header->registry, -1);
    if (header->retired) {
      pthread_mutex_unlock(&header->registry);
      munmap(header, mappedSize);
      continue;
    }
    bool anyoneAlive = false;
    int freeSlot = -1;
    for (int i = 0; i < SegmentHeader::kMaxAttachers; ++i) {
      int32_t pid = header->attachers[i];
      if (pid != 0 && !Process::IsProcessAlive(pid)) header->attachers[i] = pid = 0;
      if (pid != 0) anyoneAlive = true;
      if (pid == 0 && freeSlot < 0) freeSlot = i;
    }
    if (freeSlot < 0) {
      pthread_mutex_unlock(&header->registry);
      munmap(header, mappedSize);
      return false;
    }
    if (!anyoneAlive) {
      // New or stale: start from the creation state.
      InitMutex(&header->user, true);
      header->dataSize = dataSize;
      std::memset(reinterpret_cast<char*>(header) + sizeof(SegmentHeader), 0,
                  mappedSize - sizeof(SegmentHeader));
    }
    header->attachers[freeSlot] = self;
    pthread_mutex_unlock(&header->registry);

    header_ = header;
    mappedSize_ = mappedSize;
    dataSize_ = dataSize;
    objectName_ = objectName;
    if (fresh) *fresh = !anyoneAlive;
    return true;
  }
  return false;
}

void NamedSegment::Detach() {
  if (!header_) return;
  const int32_t self = Process::GetProcessId();
  LockRobust(&header_->registry, -1);
  bool removed = false;
  bool anyoneLeft = false;
  for (int i = 0; i < SegmentHeader::kMaxAttachers; ++i) {
    int32_t pid = header_->attachers[i];
    if (!removed && pid == self) {
      header_->attachers[i] = 0;
      removed = true;
      continue;
    }
    if (pid != 0 && Process::IsProcessAlive(pid)) anyoneLeft = true;
  }
  if (!anyoneLeft) {
    header_->retired = 1;
    shm_unlink(objectName_.c_str());
  }
  pthread_mutex_unlock(&header_->registry);
  munmap(header_, mappedSize_);
  header_ = nullptr;
  mappedSize_ = 0;
  dataSize_ = 0;
  objectName_.clear();
}

void* NamedSegment::Data() const noexcept {
  return header_ ? reinterpret_cast<char*>(header_) + sizeof(SegmentHeader) : nullptr;
}

}  // namespace Nox
