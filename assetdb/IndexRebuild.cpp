// Rebuild of the index from the asset folders (to be completed by the folder scanner).
#include "assetdb/IndexRebuild.h"

void VLXRebuildIndexFromFolders(VLXAssetIndex& index, std::string_view)
{
    // No folder scanner yet: the index stays empty and is written as such.
    index.changeFlags |= kChangedRecords;
}

void VLXRefreshAfterFallbackLoad(VLXAssetIndex& index, std::string_view)
{
    index.SortArray();
}
