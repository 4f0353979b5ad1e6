// Rebuild of the index from the asset folders, and the check after loading a fallback copy.
#include "assetdb/IndexRebuild.h"

#include "assetdb/RecordFill.h"
#include "assetdb/RecordsFromFolders.h"
#include "engine/File.h"

#include <string>
#include <unordered_set>

namespace {

std::string RootWithoutSlash(std::string_view root)
{
    std::string out(root);
    while (out.size() > 1 && (out.back() == '/' || out.back() == '\\'))
        out.pop_back();
    return out;
}

constexpr std::string_view kBuiltinLocations[] = {"base", "builtin\\1", "builtin\\2", "builtin\\3", "builtin\\4"};

bool FolderExists(const std::string& path) { return Nox::File::IsFolder(path); }

} // namespace

void VLXRebuildIndexFromFolders(VLXAssetIndex& index, std::string_view root)
{
    VLXScanContext scan{index, RootWithoutSlash(root)};
    for (std::string_view location : kBuiltinLocations)
        VLXScanBuiltinLocation(scan, location);
    VLXScanLocal(scan);
    VLXScanEditing(scan);
    index.SortArray();
    index.changeFlags |= kChangedRecords;
}

void VLXRefreshAfterFallbackLoad(VLXAssetIndex& index, std::string_view root)
{
    const std::string base = RootWithoutSlash(root);
    // Copies that the older index names but that are gone from disk are forgotten.
    std::unordered_set<std::string> editingKeys;
    for (const VLXAssetRecordRef& record : index.array) {
        if (!record->installedPath.empty() &&
            !FolderExists(VLXLocationFolder(base, record->location) + "/" + record->installedPath)) {
            record->installedPath.clear();
            record->location.clear();
            record->flags2 &= uint8_t(~kFlag2BuiltIn);
            record->flags &= uint8_t(~kFlagFoundByBuiltinScan);
            if (record->localPath.empty())
                record->folderStamp = 0;
        }
        if (!record->localPath.empty() && !FolderExists(base + "/" + record->localPath))
            record->localPath.clear();
        if (!record->editingPath.empty() && !FolderExists(base + "/" + record->editingPath))
            record->editingPath.clear();
        if (record->editingPath.size() > 8)
            editingKeys.insert("editing:" + record->editingPath.substr(8));
    }
    // Working copies made since that copy was written are added.
    VLXScanContext scan{index, base};
    scan.knownKeys = &editingKeys;
    VLXScanEditing(scan);
    index.SortArray();
}
