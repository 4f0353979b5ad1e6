// Dependency states of a record (missing / faulty dependencies), computed on demand and cached in flags2.
#pragma once

#include "assetdb/AssetIndex.h"

#include <vector>

// The KUIDs a record requires, each replaced by its target in KUID mapping table 1.
std::vector<KUID> VLXDependencyList(const VLXAssetIndex& index, const KUID& kuid);

// True when a dependency of a record with a copy on this machine is unknown, has no copy, or
// has missing dependencies itself. Computed once (flags2 bits 1 and 2) and then cached; a
// dependency cycle ends at the record already being computed.
bool VLXHasMissingDependencies(VLXAssetIndex& index, VLXAssetRecord& record);
// True when a dependency exists and is faulty with an installed or local copy, or has faulty
// dependencies itself (flags2 bits 5 and 6).
bool VLXHasFaultyDependencies(VLXAssetIndex& index, VLXAssetRecord& record);
// Clears both cached states so that they are computed again when next asked.
void VLXClearDependencyStates(VLXAssetRecord& record);
