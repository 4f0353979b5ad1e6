// The inter-process ownership protocol on a named mutex and a 32-byte shared block.
//
// States of the shared block, as seen by one process P:
//   owner -1, requester -1      free: the next TryAcquire/Acquire takes it;
//   owner P                     P owns the database (only P clears it, without the mutex);
//   owner Q, requester P        P waits, polling every 50 ms;
//   owner Q dead                stale: the master's IPCIdle clears it, then the requester takes it;
//   requester Q dead            stale: the master's IPCIdle clears it;
//   master dead or -1           a non-master's IPCIdle takes the master role.
// Every read-modify-write of the block happens under the mutex; single fields are read and
// written atomically because other processes poll them without the mutex.
#include "assetdb/IpcController.h"

#include "engine/File.h"
#include "engine/Log.h"
#include "engine/Process.h"
#include "engine/Time.h"

#include <atomic>
#include <cctype>

namespace {

constexpr std::string_view kNamePrefix = "09731AC6-B611-4e2a-B181-578073F64F24";
constexpr std::string_view kIndexName = "assets.tdx";

void LogLine(const char* format, int32_t pid)
{
    if (Nox::LogClient* client = Nox::Log::GetClient())
        client->OutputString(2, format, pid);
}

}  // namespace

bool IPCController::DeriveNames(std::string_view ownershipPath, std::string& folder, std::string& mutexName,
                                std::string& memoryName)
{
    std::string lower(ownershipPath);
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    size_t at = lower.find(kIndexName);
    if (at == std::string::npos || at + kIndexName.size() != lower.size() || lower.size() < kIndexName.size() + 1)
        return false;
    folder = lower.substr(0, lower.size() - kIndexName.size() - 1);

    // The prefix with the folder added as one more component, every '\' turned into '/'.
    std::string_view component = folder;
    while (!component.empty() && (component.front() == '/' || component.front() == '\\'))
        component.remove_prefix(1);
    mutexName = std::string(kNamePrefix) + "/" + std::string(component);
    for (char& c : mutexName)
        if (c == '\\')
            c = '/';
    memoryName = mutexName;
    if (!memoryName.empty() && memoryName.back() != '/')
        memoryName += '/';
    memoryName += "-ipc2";
    return true;
}

int32_t IPCController::Load(const int32_t& field) const
{
    return std::atomic_ref<int32_t>(const_cast<int32_t&>(field)).load(std::memory_order_acquire);
}

void IPCController::Store(int32_t& field, int32_t value)
{
    std::atomic_ref<int32_t>(field).store(value, std::memory_order_release);
}

bool IPCController::Lock()
{
    return Nox::NamedMutex::Owned(mutex_.Lock(-1));
}

void IPCController::Unlock()
{
    mutex_.Unlock();
}

bool IPCController::Open(std::string_view ownershipPath, bool patcher)
{
    if (IsOpen())
        return true;
    std::string folder, mutexName, memoryName;
    if (!DeriveNames(ownershipPath, folder, mutexName, memoryName))
        return false;
    // The lower-cased folder names the objects; the folder itself is looked up as given.
    std::string givenFolder(ownershipPath.substr(0, ownershipPath.size() - kIndexName.size() - 1));
    if (!Nox::File::IsFolder(givenFolder.empty() ? "/" : givenFolder))
        return false;

    pid_ = Nox::Process::GetProcessId();
    bool existed = true;
    if (!mutex_.Create(mutexName, true, &existed))
        return false;
    if (existed && !Lock()) {
        mutex_.Close();
        return false;
    }
    // From here this process holds the mutex, as creator or joiner.
    bool created = false;
    if (!memory_.ProcessAttach(memoryName, sizeof(IPCBlock), &created)) {
        Unlock();
        mutex_.Close();
        return false;
    }
    block_ = static_cast<IPCBlock*>(memory_.Data());

    if (!existed || created) {
        // Creator (or the first attacher of a block nobody alive holds): fill in the block.
        master_ = true;
        Store(block_->master, pid_);
        Store(block_->owner, kNone);
        Store(block_->requester, kNone);
        Store(block_->changeCounter, 0);
        Store(block_->layoutVersion, kLayoutVersion);
        block_->attachCount = 1;
        Store(block_->lockOut, 0);
        block_->patcherAllowed = 0;
        Unlock();
        return true;
    }

    if (Load(block_->lockOut) != 0 && !(patcher && block_->patcherAllowed != 0)) {
        Unlock();
        memory_.ProcessDetach();
        mutex_.Close();
        block_ = nullptr;
        return false;
    }
    if (Load(block_->layoutVersion) >= 1)
        block_->attachCount = uint8_t(block_->attachCount + 1);
    else
        block_->attachCount = 255;
    Unlock();
    return true;
}

void IPCController::Close()
{
    if (!IsOpen())
        return;
    if (Load(block_->owner) == pid_)
        Store(block_->owner, kNone);
    if (master_ && Lock()) {
        Store(block_->master, kNone);
        if (Load(block_->layoutVersion) >= 1)
            block_->attachCount = uint8_t(block_->attachCount - 1);
        Unlock();
    }
    memory_.ProcessDetach();
    mutex_.Close();
    block_ = nullptr;
    master_ = false;
    ownCounter_ = -1;
    releaseTimerRunning_ = false;
}

bool IPCController::TakeOrRegister(bool request)
{
    int32_t requester = Load(block_->requester);
    if (Load(block_->owner) == kNone && (requester == pid_ || requester == kNone)) {
        Store(block_->owner, pid_);
        Store(block_->requester, kNone);
        releaseTimerRunning_ = false;
        return true;
    }
    if (requester == kNone && request)
        Store(block_->requester, pid_);
    return false;
}

bool IPCController::TryAcquire(bool request)
{
    if (!IsOpen())
        return false;
    if (OwnedBySelf())
        return true;
    if (!Lock())
        return false;
    bool taken = TakeOrRegister(request);
    Unlock();
    return taken;
}

void IPCController::Acquire()
{
    if (!IsOpen())
        return;
    auto poll = [this] {
        Nox::Time::Delay(kPollMs);
        if (pollHook_)
            pollHook_();
        IPCIdle();
    };
    for (;;) {
        if (OwnedBySelf())
            return;
        if (TryAcquire(true))
            return;
        // Wait for the requester slot.
        for (int32_t r = Load(block_->requester); r != pid_; r = Load(block_->requester)) {
            if (r == kNone) {
                if (Lock()) {
                    if (Load(block_->requester) == kNone)
                        Store(block_->requester, pid_);
                    Unlock();
                }
                continue;
            }
            poll();
        }
        // Registered: wait for the owner to go; start over when the registration was cleared.
        bool restart = false;
        while (!restart) {
            if (Load(block_->owner) == kNone) {
                if (Lock()) {
                    bool taken = TakeOrRegister(false);
                    Unlock();
                    if (taken)
                        return;
                }
            }
            if (Load(block_->requester) != pid_) {
                restart = true;
                continue;
            }
            poll();
        }
    }
}

void IPCController::Release()
{
    if (OwnedBySelf())
        Store(block_->owner, kNone);
}

bool IPCController::OwnedBySelf() const
{
    return IsOpen() && Load(block_->owner) == pid_;
}

bool IPCController::OtherWaiting()
{
    int32_t requester = IsOpen() ? Load(block_->requester) : kNone;
    if (OwnedBySelf() && requester != kNone && requester != pid_) {
        if (!releaseTimerRunning_) {
            releaseTimerRunning_ = true;
            releaseTimerStart_ = Nox::Time::Ms();
        }
        return true;
    }
    releaseTimerRunning_ = false;
    return false;
}

uint64_t IPCController::ReleaseTimerMs() const
{
    // Counted from 1 so that a running timer never reads as stopped.
    return releaseTimerRunning_ ? Nox::Time::Ms() - releaseTimerStart_ + 1 : 0;
}

void IPCController::SnapshotCounter()
{
    if (IsOpen())
        ownCounter_ = Load(block_->changeCounter);
}

bool IPCController::CounterChanged() const
{
    return IsOpen() && ownCounter_ != Load(block_->changeCounter);
}

void IPCController::BumpCounter()
{
    if (!IsOpen() || !Lock())
        return;
    int32_t value = Load(block_->changeCounter) + 1;
    Store(block_->changeCounter, value);
    ownCounter_ = value;
    Unlock();
}

void IPCController::IPCIdle()
{
    if (!IsOpen())
        return;
    if (!master_) {
        auto masterGone = [this] {
            int32_t m = Load(block_->master);
            return m == kNone || !Nox::Process::IsProcessAlive(m);
        };
        if (masterGone() && Lock()) {
            if (masterGone()) {
                Store(block_->master, pid_);
                master_ = true;
            }
            Unlock();
        }
        return;
    }

    struct Slot {
        int32_t IPCBlock::*field;
        const char* message;
    };
    static constexpr Slot kSlots[] = {
        {&IPCBlock::owner, "IPCIdle> clearing dead database owner (owner processID was %d)\n"},
        {&IPCBlock::requester, "IPCIdle> clearing dead database requester (requester processID was %d)\n"},
    };
    for (const Slot& slot : kSlots) {
        int32_t other = Load(block_->*slot.field);
        if (other == kNone || other == pid_ || Nox::Process::IsProcessAlive(other))
            continue;
        if (Lock()) {
            if (Load(block_->*slot.field) == other) {
                LogLine(slot.message, other);
                Store(block_->*slot.field, kNone);
            }
            Unlock();
        }
    }
    if (Load(block_->owner) == pid_ && Load(block_->requester) == pid_ && Lock()) {
        if (Load(block_->owner) == pid_ && Load(block_->requester) == pid_)
            Store(block_->requester, kNone);
        Unlock();
    }
}

IPCBlock IPCController::Snapshot() const
{
    IPCBlock copy{};
    if (!IsOpen())
        return copy;
    copy.master = Load(block_->master);
    copy.owner = Load(block_->owner);
    copy.requester = Load(block_->requester);
    copy.changeCounter = Load(block_->changeCounter);
    copy.layoutVersion = Load(block_->layoutVersion);
    copy.attachCount = block_->attachCount;
    copy.lockOut = Load(block_->lockOut);
    copy.patcherAllowed = block_->patcherAllowed;
    return copy;
}

IPCController& VLXIpcController()
{
    static IPCController controller;
    return controller;
}
