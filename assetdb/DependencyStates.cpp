// Missing and faulty dependency states, computed through the dependency table on demand.
#include "assetdb/DependencyStates.h"

namespace {

// Deeper chains are not followed: the state of such a dependency counts as fine, so a long
// (or hostile) table cannot exhaust the stack.
constexpr int kMaxDepth = 2048;

bool HasAnyCopy(const VLXAssetRecord& r)
{
    return r.IsLocal();
}

bool Missing(VLXAssetIndex& index, VLXAssetRecord& record, int depth)
{
    if (!(record.flags2 & kFlag2MissingDepsKnown)) {
        record.flags2 |= kFlag2MissingDepsKnown;
        record.flags2 &= uint8_t(~kFlag2HasMissingDeps);
        if (HasAnyCopy(record) && depth < kMaxDepth) {
            for (const KUID& dep : VLXDependencyList(index, record.kuid)) {
                VLXAssetRecord* other = index.Lookup(dep);
                if (!other || !HasAnyCopy(*other) || Missing(index, *other, depth + 1)) {
                    record.flags2 |= kFlag2HasMissingDeps;
                    break;
                }
            }
        }
        index.changeFlags |= kChangedDependencyStates;
    }
    return (record.flags2 & kFlag2HasMissingDeps) != 0;
}

bool Faulty(VLXAssetIndex& index, VLXAssetRecord& record, int depth)
{
    if (!(record.flags2 & kFlag2FaultyDepsKnown)) {
        record.flags2 |= kFlag2FaultyDepsKnown;
        record.flags2 &= uint8_t(~kFlag2HasFaultyDeps);
        if (HasAnyCopy(record) && depth < kMaxDepth) {
            for (const KUID& dep : VLXDependencyList(index, record.kuid)) {
                VLXAssetRecord* other = index.Lookup(dep);
                if (other && (other->IsFaulty() || Faulty(index, *other, depth + 1))) {
                    record.flags2 |= kFlag2HasFaultyDeps;
                    break;
                }
            }
        }
        index.changeFlags |= kChangedDependencyStates;
    }
    return (record.flags2 & kFlag2HasFaultyDeps) != 0;
}

}  // namespace

std::vector<KUID> VLXDependencyList(const VLXAssetIndex& index, const KUID& kuid)
{
    std::vector<KUID> list;
    if (const VLXDependencyEntry* entry = index.dependencies.Find(kuid)) {
        list.reserve(entry->requiredKuids.size());
        for (const KUID& dep : entry->requiredKuids)
            list.push_back(index.obsoleteMap.Map(dep));
    }
    return list;
}

bool VLXHasMissingDependencies(VLXAssetIndex& index, VLXAssetRecord& record)
{
    return Missing(index, record, 0);
}

bool VLXHasFaultyDependencies(VLXAssetIndex& index, VLXAssetRecord& record)
{
    return Faulty(index, record, 0);
}

void VLXClearDependencyStates(VLXAssetRecord& record)
{
    record.flags2 &= uint8_t(~(kFlag2HasMissingDeps | kFlag2MissingDepsKnown | kFlag2HasFaultyDeps | kFlag2FaultyDepsKnown));
}
