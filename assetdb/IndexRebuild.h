// Seams of the index load that rebuild records from the asset folders.
#pragma once

#include "assetdb/AssetIndex.h"

#include <string_view>

// Fills `index` (empty on entry) from the asset folders of `root` when no index file could be
// read: the built-in locations, then local and editing; the array is sorted and the records are
// marked changed.
void VLXRebuildIndexFromFolders(VLXAssetIndex& index, std::string_view root);

// After the temporary or backup copy of the index was loaded: compares the records' locations
// with the disk, rescans editing and sorts the array.
void VLXRefreshAfterFallbackLoad(VLXAssetIndex& index, std::string_view root);
