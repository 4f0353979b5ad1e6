// Scanning the content locations for asset folders, folder stamps, and the validation seam.
#pragma once

#include "assetdb/AssetIndex.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

// Which copy of an asset a scanned folder is.
enum class VLXCopyKind { Installed = 0, Local = 1, Editing = 2 };

// What a scan adds to and where it looks. `root` is the installation root without trailing slash.
struct VLXScanContext {
    VLXAssetIndex& index;
    std::string root;
    // Keys "<location>:<path inside the location>" of folders to skip (empty for a rebuild).
    const std::unordered_set<std::string>* knownKeys = nullptr;
    // Set by another thread to end the scan early.
    const std::atomic<bool>* stop = nullptr;

    // Counts, for logs, tests and benchmarks.
    size_t added = 0;    // new records
    size_t merged = 0;   // folders merged into a record of the same KUID
    size_t trashed = 0;  // folders with files but no asset, moved into trash
    size_t removed = 0;  // folder trees without any file, deleted
};

// A built-in location ("base", "builtin\\1" …): its group folders hold the asset folders.
void VLXScanBuiltinLocation(VLXScanContext& scan, std::string_view location);
// local: the asset folders inside hash-00 … hash-FF.
void VLXScanLocal(VLXScanContext& scan);
// editing: the asset folders at its top level.
void VLXScanEditing(VLXScanContext& scan);

// Adds the asset folder `pathInLocation` of `location` as a copy of `kind`: fills a new record
// from its configuration and merges it into the index. A folder that is no asset goes into trash
// under its own name when it holds files and is deleted when it holds none. True when added.
bool VLXAddAssetFolder(VLXScanContext& scan, std::string_view location, std::string_view pathInLocation,
                       VLXCopyKind kind);

// Stamp of a folder on disk: FolderContentHash, 1 for empty or unlistable folders.
uint32_t VLXFolderStamp(std::string_view folder);
// Stamp of a record: its local copy, else its installed copy, else 1.
uint32_t VLXRecordFolderStamp(const VLXAssetRecord& record, std::string_view root);

// The folder that validation checks for a record: the local copy, else the installed copy; empty
// when the record has neither.
std::string VLXRecordCheckFolder(const VLXAssetRecord& record, std::string_view root);

// Validation state of a record brought up to date from its files (flags2 bits 3 and 4). The
// validation library is not part of this build yet, so both bits stay as they are; this is the
// one place that sets them once it is.
void VLXUpdateValidationState(VLXAssetRecord& record, std::string_view root);
