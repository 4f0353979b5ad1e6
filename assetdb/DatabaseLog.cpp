// The database log: open and closed entry lists, task sections, the trim worker.
#include "assetdb/DatabaseLog.h"

#include "app/results/ResultsLog.h"
#include "engine/Time.h"

#include <algorithm>

VLXLog::~VLXLog()
{
    std::unique_ptr<Nox::Thread> worker;
    {
        std::lock_guard guard(lock_);
        pendingDelayMs_ = 0;
        worker = std::move(worker_);
    }
    wake_.Pulse();
    if (worker)
        worker->Join();
    UnsubscribeFromAll();
    open_.clear();
    closed_.clear();
    tasks_.clear();
}

std::vector<VLXLogEntryRef>::iterator VLXLog::FindOpen(const VLXLogEntryRef& entry)
{
    return std::find(open_.begin(), open_.end(), entry);
}

VLXLogEntryRef VLXLog::AddEntry(const std::optional<KUID>& kuid, const VLXLogEntryRef& parent, std::string_view text,
                                uint8_t type)
{
    std::lock_guard guard(lock_);
    if (disabled_)
        return nullptr;
    auto entry = std::make_shared<VLXLogEntry>();
    entry->type = type;
    entry->kuid = kuid;
    entry->text = std::string(text);
    if (!parent) {
        entry->open = false;
        entry->level = 0;
        entry->sequence = ++sequence_;
        closed_.push_back(entry);
    } else {
        auto at = FindOpen(parent);
        if (at == open_.end())
            return nullptr;
        entry->level = uint8_t(parent->level + 1);
        entry->sequence = ++sequence_;
        entry->open = false;
        // The end of the parent's section: the first later entry that is not deeper than the parent.
        auto end = std::find_if(at + 1, open_.end(),
                                [&](const VLXLogEntryRef& e) { return e->level <= parent->level; });
        open_.insert(end, entry);
    }
    RequestTrim(false);
    return entry;
}

void VLXLog::UpdateEntry(const VLXLogEntryRef& entry, uint8_t type, const std::string* text, const KUID* kuid)
{
    std::lock_guard guard(lock_);
    if (disabled_ || FindOpen(entry) == open_.end())
        return;
    if (type != kTypeUnchanged)
        entry->type = type;
    if (text)
        entry->text = *text;
    if (kuid)
        entry->kuid = *kuid;
    entry->sequence = ++sequence_;
}

void VLXLog::CloseLocked(const VLXLogEntryRef& entry)
{
    auto at = FindOpen(entry);
    if (at == open_.end())
        return;
    entry->open = false;
    entry->sequence = ++sequence_;
    auto end = at + 1;
    while (end != open_.end() && (*end)->level > entry->level) {
        if ((*end)->open)
            return;
        ++end;
    }
    for (auto it = at; it != end; ++it) {
        (*it)->sequence = ++sequence_;
        closed_.push_back(*it);
    }
    open_.erase(at, end);
}

void VLXLog::CloseEntry(const VLXLogEntryRef& entry)
{
    std::lock_guard guard(lock_);
    if (!disabled_)
        CloseLocked(entry);
}

VLXLogEntryRef VLXLog::OpenTaskSection(std::string_view text, ResultsLog& task)
{
    std::lock_guard guard(lock_);
    if (disabled_)
        return nullptr;
    auto entry = std::make_shared<VLXLogEntry>();
    entry->text = std::string(text);
    entry->sequence = ++sequence_;
    open_.push_back(entry);
    RequestTrim(false);
    tasks_[&task] = TaskSection{entry, &task, 0};
    SubscribeTo(task);
    return entry;
}

void VLXLog::ReceiveMessage(const NuMessageData& message)
{
    std::lock_guard guard(lock_);
    auto it = tasks_.find(message.sender);
    if (disabled_ || it == tasks_.end())
        return;
    TaskSection& mapped = it->second;
    if (message.name == "list-updated") {
        std::vector<ResultEntry> entries = mapped.task->Entries();
        if (entries.size() < mapped.mirrored)
            mapped.mirrored = 0;
        for (size_t i = mapped.mirrored; i < entries.size(); ++i) {
            const ResultEntry& result = entries[i];
            std::optional<KUID> kuid;
            if (auto asset = dynamic_cast<const VelmarPropertyAssetID*>(result.property.get()))
                kuid = asset->Kuid();
            uint8_t type = result.severity == ResultSeverity::Warning ? 1 : result.severity == ResultSeverity::Error ? 2 : 0;
            AddEntry(kuid, mapped.section, result.message, type);
        }
        mapped.mirrored = entries.size();
    } else if (message.name == "list-destroyed" || message.name == "pipe-closed") {
        if (mapped.task->ErrorCount() > 0)
            mapped.section->type = 2;
        else if (mapped.task->WarningCount() > 0)
            mapped.section->type = 1;
        VLXLogEntryRef section = mapped.section;
        tasks_.erase(it);
        CloseLocked(section);
    }
}

void VLXLog::Shutdown()
{
    std::lock_guard guard(lock_);
    disabled_ = true;
    for (const VLXLogEntryRef& entry : open_) {
        entry->open = false;
        closed_.push_back(entry);
    }
    open_.clear();
    RequestTrim(true);
}

bool VLXLog::IsDisabled() const
{
    std::lock_guard guard(lock_);
    return disabled_;
}

void VLXLog::Clear()
{
    std::lock_guard guard(lock_);
    closed_.clear();
    sequence_ = 0;
}

VLXLogSnapshot VLXLog::Snapshot() const
{
    std::lock_guard guard(lock_);
    VLXLogSnapshot snapshot;
    snapshot.sequence = sequence_;
    snapshot.entries.reserve(closed_.size());
    for (const VLXLogEntryRef& entry : closed_) {
        VLXLogRecord record;
        record.type = entry->type;
        record.hasKuid = entry->kuid.has_value();
        record.kuid = entry->kuid.value_or(KUID::Null);
        record.text = entry->text;
        record.level = entry->level;
        record.sequence = entry->sequence;
        snapshot.entries.push_back(std::move(record));
    }
    return snapshot;
}

void VLXLog::Restore(const VLXLogSnapshot& snapshot)
{
    std::lock_guard guard(lock_);
    Clear();
    sequence_ = snapshot.sequence;
    for (const VLXLogRecord& record : snapshot.entries) {
        auto entry = std::make_shared<VLXLogEntry>();
        entry->type = record.type;
        if (record.hasKuid)
            entry->kuid = record.kuid;
        entry->text = record.text;
        entry->open = false;
        entry->level = record.level;
        entry->sequence = record.sequence;
        closed_.push_back(std::move(entry));
    }
}

std::vector<VLXLogEntry> VLXLog::OpenEntries() const
{
    std::lock_guard guard(lock_);
    std::vector<VLXLogEntry> copy;
    for (const VLXLogEntryRef& entry : open_)
        copy.push_back(*entry);
    return copy;
}

std::vector<VLXLogEntry> VLXLog::ClosedEntries() const
{
    std::lock_guard guard(lock_);
    std::vector<VLXLogEntry> copy;
    for (const VLXLogEntryRef& entry : closed_)
        copy.push_back(*entry);
    return copy;
}

uint32_t VLXLog::Sequence() const
{
    std::lock_guard guard(lock_);
    return sequence_;
}

void VLXLog::RequestTrim(bool immediate)
{
    ++trimRequests_;
    pendingDelayMs_ = (immediate || trimRequests_ > 100) ? 0 : kTrimDelayMs;
    wake_.Pulse();
    if (workerRunning_)
        return;
    workerRunning_ = true;
    if (worker_)
        worker_->Join();
    worker_ = std::make_unique<Nox::Thread>([this] { TrimWorker(); });
    worker_->Resume();
}

void VLXLog::TrimWorker()
{
    for (;;) {
        int delay;
        {
            std::lock_guard guard(lock_);
            delay = pendingDelayMs_;
            if (delay == 0) {
                Trim();
                workerRunning_ = false;
                return;
            }
            pendingDelayMs_ = 0;
        }
        wake_.Wait(delay);
    }
}

bool VLXLog::Trim()
{
    auto removeOne = [](std::vector<VLXLogEntryRef>& list) {
        // The first entry not directly followed by a deeper one: a section goes after its entries.
        for (size_t i = 0; i < list.size(); ++i) {
            if (i + 1 < list.size() && list[i + 1]->level > list[i]->level)
                continue;
            list.erase(list.begin() + ptrdiff_t(i));
            return true;
        }
        return false;
    };
    bool removed = false;
    while (open_.size() + closed_.size() > kMaxEntries) {
        if (!removeOne(closed_.empty() ? open_ : closed_))
            break;
        removed = true;
    }
    if (removed) {
        pendingDelayMs_ = 0;
        trimRequests_ = 0;
    }
    return removed;
}

void VLXLog::WaitForTrimWorker()
{
    for (;;) {
        {
            std::lock_guard guard(lock_);
            if (!workerRunning_)
                return;
        }
        Nox::Time::Delay(5);
    }
}

VLXLog& VLXDatabaseLog()
{
    static VLXLog log;
    return log;
}
