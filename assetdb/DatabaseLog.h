// VLXLog: the process-wide history of database events, stored inside the asset index.
#pragma once

#include "app/results/MessageRecipient.h"
#include "assetdb/AssetIndex.h"
#include "core/KUID.h"
#include "engine/Sync.h"
#include "engine/Thread.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class ResultsLog;

struct VLXLogEntry {
    uint8_t type = 0;  // 0 information, 1 warning, 2 error
    std::optional<KUID> kuid;
    std::string text;
    bool open = true;
    uint32_t sequence = 0;
    uint8_t level = 0;  // 0 top level, parent's level + 1 inside a section
};
using VLXLogEntryRef = std::shared_ptr<VLXLogEntry>;

class VLXLog : public NuMessageRecipient {
public:
    static constexpr size_t kMaxEntries = 1000;
    static constexpr int kTrimDelayMs = 2000;
    static constexpr int kTypeUnchanged = 3;

    VLXLog() = default;
    // Stops a running trim worker and clears everything.
    ~VLXLog() override;

    // Without a parent: a closed top-level entry at the end of the closed list. With a parent
    // (which must be in the open list): an entry one level deeper at the end of the parent's
    // section in the open list, closed at once; it moves to the closed list with its section.
    // Returns the new entry (nullptr when nothing was added).
    VLXLogEntryRef AddEntry(const std::optional<KUID>& kuid, const VLXLogEntryRef& parent, std::string_view text,
                            uint8_t type);
    // On an entry of the open list: type kTypeUnchanged keeps the type; a given text or KUID
    // replaces the entry's.
    void UpdateEntry(const VLXLogEntryRef& entry, uint8_t type, const std::string* text, const KUID* kuid);
    // Marks an open-list entry closed; moves it and its deeper followers to the closed list
    // unless one of those is still open.
    void CloseEntry(const VLXLogEntryRef& entry);
    // Adds an open section entry for `task` and mirrors the task's result entries into it.
    VLXLogEntryRef OpenTaskSection(std::string_view text, ResultsLog& task);
    void ReceiveMessage(const NuMessageData& message) override;

    // At database close: disables the log, closes every open entry and trims at once.
    void Shutdown();
    bool IsDisabled() const;
    // Empties the closed list and resets the sequence counter (before the index is read).
    void Clear();

    // The stored form (closed list and counter) and its restoration after a load.
    VLXLogSnapshot Snapshot() const;
    void Restore(const VLXLogSnapshot& snapshot);

    std::vector<VLXLogEntry> OpenEntries() const;
    std::vector<VLXLogEntry> ClosedEntries() const;
    uint32_t Sequence() const;
    // Waits until no trim worker runs (tests).
    void WaitForTrimWorker();

private:
    void RequestTrim(bool immediate);
    void TrimWorker();
    // Removes entries until at most kMaxEntries remain; true when any was removed.
    bool Trim();
    void CloseLocked(const VLXLogEntryRef& entry);
    std::vector<VLXLogEntryRef>::iterator FindOpen(const VLXLogEntryRef& entry);

    struct TaskSection {
        VLXLogEntryRef section;
        ResultsLog* task = nullptr;
        size_t mirrored = 0;
    };

    mutable std::recursive_mutex lock_;
    std::vector<VLXLogEntryRef> open_;
    std::vector<VLXLogEntryRef> closed_;
    uint32_t sequence_ = 0;
    std::unordered_map<const NuMessageSource*, TaskSection> tasks_;
    bool disabled_ = false;

    std::unique_ptr<Nox::Thread> worker_;
    bool workerRunning_ = false;
    Nox::WEvent wake_;
    int pendingDelayMs_ = 0;
    int trimRequests_ = 0;
};

// The log of this process.
VLXLog& VLXDatabaseLog();
