// Tables of the in-memory asset index: record map and sorted array, KUID maps, dependencies.
#include "assetdb/AssetIndex.h"

#include "assetdb/CaseFolding.h"

#include <algorithm>

const VLXKuidMapEntry* VLXKuidMapTable::Find(const KUID& source) const
{
    const size_t* at = bySource_.Find(source);
    return at ? &entries_[*at] : nullptr;
}

KUID VLXKuidMapTable::Map(const KUID& source) const
{
    const VLXKuidMapEntry* entry = Find(source);
    return entry ? entry->target : source;
}

void VLXKuidMapTable::Set(const VLXKuidMapEntry& entry)
{
    auto [at, inserted] = bySource_.TryEmplace(entry.source, entries_.size());
    if (inserted)
        entries_.push_back(entry);
    else
        entries_[*at] = entry;
}

void VLXKuidMapTable::Clear()
{
    entries_.clear();
    bySource_.clear();
}

const VLXDependencyEntry* VLXDependencyTable::Find(const KUID& kuid) const
{
    const size_t* at = byKuid_.Find(kuid);
    return at ? &entries_[*at] : nullptr;
}

VLXDependencyEntry& VLXDependencyTable::Get(const KUID& kuid)
{
    auto [at, inserted] = byKuid_.TryEmplace(kuid, entries_.size());
    if (inserted) {
        entries_.emplace_back();
        entries_.back().kuid = kuid;
    }
    return entries_[*at];
}

void VLXDependencyTable::Reserve(size_t n)
{
    entries_.reserve(n);
    byKuid_.reserve(n);
}

void VLXDependencyTable::Clear()
{
    entries_.clear();
    byKuid_.clear();
}

bool VLXShownNameLess(const VLXAssetRecord& a, const VLXAssetRecord& b)
{
    return VLXCompareFolded(a.ShownName(), b.ShownName()) < 0;
}

bool VLXRecordNameLess(const VLXAssetRecordRef& a, const VLXAssetRecordRef& b)
{
    return VLXShownNameLess(*a, *b);
}

VLXAssetRecord* VLXAssetIndex::Lookup(const KUID& kuid) const
{
    const VLXAssetRecordRef* at = records.Find(kuid);
    return at ? at->get() : nullptr;
}

VLXAssetRecordRef VLXAssetIndex::Add(VLXAssetRecordRef record)
{
    auto [at, inserted] = records.TryEmplace(record->kuid, record);
    if (inserted) {
        array.push_back(record);
        return record;
    }
    // Same KUID twice: the later record wins but keeps the earlier one's place in the array.
    **at = std::move(*record);
    return *at;
}

bool VLXAssetIndex::Insert(VLXAssetRecordRef record)
{
    auto [at, inserted] = records.TryEmplace(record->kuid, record);
    if (inserted)
        array.push_back(std::move(record));
    else
        **at = std::move(*record);
    return inserted;
}

bool VLXAssetIndex::Remove(const KUID& kuid)
{
    const VLXAssetRecordRef* at = records.Find(kuid);
    if (!at)
        return false;
    VLXAssetRecord* raw = at->get();
    records.Erase(kuid);
    std::erase_if(array, [raw](const VLXAssetRecordRef& r) { return r.get() == raw; });
    return true;
}

void VLXAssetIndex::SortArray()
{
    if (!std::is_sorted(array.begin(), array.end(), VLXRecordNameLess))
        std::stable_sort(array.begin(), array.end(), VLXRecordNameLess);
}

void VLXAssetIndex::Clear()
{
    uint32_t keptGeneration = generation;
    *this = VLXAssetIndex();
    generation = keptGeneration;
}
