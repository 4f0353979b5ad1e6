// IPCController: which process of an installation owns the asset database, and when it changed.
#pragma once

#include "engine/NamedMutex.h"
#include "engine/SharedMemory.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The 32-byte block every process of an installation shares (layout fixed, little-endian).
// A process id of -1 means "none".
struct IPCBlock {
    int32_t master;          // process holding the master role (clears dead owners and requesters)
    int32_t owner;           // process owning the database
    int32_t requester;       // the one process waiting for ownership
    int32_t changeCounter;   // incremented after every successful index write
    int32_t layoutVersion;   // 2
    uint8_t attachCount;
    uint8_t unused1[3];
    int32_t lockOut;         // non-zero: new processes may not attach
    uint8_t patcherAllowed;  // non-zero: a patcher-mode process may attach despite the lock-out
    uint8_t unused2[3];
};
static_assert(sizeof(IPCBlock) == 32);

class IPCController {
public:
    static constexpr int32_t kNone = -1;
    static constexpr int32_t kLayoutVersion = 2;
    static constexpr uint32_t kPollMs = 50;

    IPCController() = default;
    ~IPCController() { Close(); }
    IPCController(const IPCController&) = delete;
    IPCController& operator=(const IPCController&) = delete;

    // The names of the mutex and of the shared block for an ownership path "<root>/assets.tdx":
    // "09731AC6-B611-4e2a-B181-578073F64F24/<lower-case root>" and that plus "/-ipc2".
    // False when the lower-cased path does not end with "assets.tdx" (as its first occurrence).
    static bool DeriveNames(std::string_view ownershipPath, std::string& folder, std::string& mutexName,
                            std::string& memoryName);

    // Opens (or joins) the controller of the installation; true at once when already open.
    // False for a wrong path, a missing installation folder, a failed mutex, or a lock-out that
    // `patcher` does not pass.
    bool Open(std::string_view ownershipPath, bool patcher);
    // Gives up ownership and the master role, then detaches.
    void Close();
    bool IsOpen() const { return block_ != nullptr; }

    // Takes ownership when nobody owns the database and no other process is the requester;
    // otherwise, with `request`, registers as requester when that slot is free.
    bool TryAcquire(bool request);
    // Waits (polling every 50 ms, running IPCIdle) until this process owns the database.
    void Acquire();
    // Gives up ownership if held.
    void Release();
    bool OwnedBySelf() const;
    // True when this process owns the database and another is registered as requester; starts
    // the release timer then (if not running), stops it otherwise.
    bool OtherWaiting();
    // Milliseconds since OtherWaiting first saw a requester; 0 when the timer is stopped.
    uint64_t ReleaseTimerMs() const;

    void SnapshotCounter();
    bool CounterChanged() const;
    void BumpCounter();

    // Clean-up of dead processes: a process without the master role takes it when the master is
    // gone; the master clears a dead owner or requester, and its own stale requester entry.
    void IPCIdle();

    int32_t ProcessId() const { return pid_; }
    bool IsMaster() const { return master_; }
    // A copy of the shared block (for diagnostics and tests).
    IPCBlock Snapshot() const;
    // Called on every poll while Acquire waits (a front end may advance a waiting screen).
    void SetPollHook(std::function<void()> hook) { pollHook_ = std::move(hook); }

private:
    int32_t Load(const int32_t& field) const;
    void Store(int32_t& field, int32_t value);
    bool Lock();
    void Unlock();
    // Under the mutex: becomes owner when free; else registers as requester when that slot
    // is free. True when this process became owner.
    bool TakeOrRegister(bool request);

    Nox::NamedMutex mutex_;
    Nox::SharedMemory memory_;
    IPCBlock* block_ = nullptr;
    int32_t pid_ = kNone;
    bool master_ = false;
    int32_t ownCounter_ = -1;
    bool releaseTimerRunning_ = false;
    uint64_t releaseTimerStart_ = 0;
    std::function<void()> pollHook_;
};

// The controller of this process (opened at start-up on <root>/assets.tdx).
IPCController& VLXIpcController();
