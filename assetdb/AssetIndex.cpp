// Tables of the in-memory asset index: record map and sorted array, KUID maps, dependencies.
#include "assetdb/AssetIndex.h"

#include "assetdb/CaseFolding.h"

#include <algorithm>

const VLXKuidMapEntry* VLXKuidMapTable::Find(const KUID& source) const
{
    auto it = bySource_.find(source);
    return it == bySource_.end() ? nullptr : &entries_[it->second];
}

KUID VLXKuidMapTable::Map(const KUID& source) const
{
    const VLXKuidMapEntry* entry = Find(source);
    return entry ? entry->target : source;
}

void VLXKuidMapTable::Set(const VLXKuidMapEntry& entry)
{
    auto [it, inserted] = bySource_.try_emplace(entry.source, entries_.size());
    if (inserted)
        entries_.push_back(entry);
    else
        entries_[it->second] = entry;
}

void VLXKuidMapTable::Clear()
{
    entries_.clear();
    bySource_.clear();
}

const VLXDependencyEntry* VLXDependencyTable::Find(const KUID& kuid) const
{
    auto it = byKuid_.find(kuid);
    return it == byKuid_.end() ? nullptr : &entries_[it->second];
}

VLXDependencyEntry& VLXDependencyTable::Get(const KUID& kuid)
{
    auto [it, inserted] = byKuid_.try_emplace(kuid, entries_.size());
    if (inserted) {
        entries_.emplace_back();
        entries_.back().kuid = kuid;
    }
    return entries_[it->second];
}

void VLXDependencyTable::Clear()
{
    entries_.clear();
    byKuid_.clear();
}

bool VLXRecordNameLess(const VLXAssetRecordRef& a, const VLXAssetRecordRef& b)
{
    return VLXCompareFolded(a->ShownName(), b->ShownName()) < 0;
}

VLXAssetRecord* VLXAssetIndex::Lookup(const KUID& kuid) const
{
    auto it = records.find(kuid);
    return it == records.end() ? nullptr : it->second.get();
}

VLXAssetRecordRef VLXAssetIndex::Add(VLXAssetRecordRef record)
{
    auto [it, inserted] = records.try_emplace(record->kuid, record);
    if (inserted) {
        array.push_back(record);
        return record;
    }
    // Same KUID twice: the later record wins but keeps the earlier one's place in the array.
    *it->second = std::move(*record);
    return it->second;
}

bool VLXAssetIndex::Remove(const KUID& kuid)
{
    auto it = records.find(kuid);
    if (it == records.end())
        return false;
    VLXAssetRecord* raw = it->second.get();
    records.erase(it);
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
