// VLXAssetRecord: one asset of the index, its flag bits and the states derived from them.
#pragma once

#include "core/KUID.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Bits of VLXAssetRecord::flags (bit 0 is the least significant).
enum VLXRecordFlag : uint8_t {
    kFlagFavourite = 0x01,
    kFlagLocallyEnabled = 0x02,
    kFlagPersisted2 = 0x04,          // no meaning here; kept and stored
    kFlagDyebox = 0x08,              // configuration product-type "reskin"
    kFlagInArchive = 0x10,           // valid only with kFlagArchiveKnown
    kFlagArchiveKnown = 0x20,
    kFlagOnDownloadStation = 0x40,
    kFlagFoundByBuiltinScan = 0x80,  // kept only with an installedPath
};

// Bits of VLXAssetRecord::flags2.
enum VLXRecordFlag2 : uint8_t {
    kFlag2BuiltIn = 0x01,                 // kept only with an installedPath
    kFlag2HasMissingDeps = 0x02,          // valid with kFlag2MissingDepsKnown
    kFlag2MissingDepsKnown = 0x04,
    kFlag2Faulty = 0x08,                  // validation of the asset's files failed
    kFlag2HasWarnings = 0x10,
    kFlag2HasFaultyDeps = 0x20,           // valid with kFlag2FaultyDepsKnown
    kFlag2FaultyDepsKnown = 0x40,
    kFlag2Obsolete = 0x80,                // valid while obsoleteGeneration is current
};

// Bits of VLXAssetRecord::permissions.
enum VLXPermission : uint8_t {
    kPermissionBit0 = 0x01,  // no meaning here; kept and stored
    kPermissionBit1 = 0x02,  // no meaning here; kept and stored
    kPermitCommit = 0x04,    // cleared for records whose location is "base"
    kPermitEdit = 0x08,
    kPermitListing = 0x10,
};

struct VLXAssetRecord {
    KUID kuid = KUID::Null;
    std::string categoryClass;  // ";"-separated category codes, e.g. "TR;TV;LOCO"
    std::string regionList;
    std::string eraList;
    int32_t diskSize = -1;      // bytes of the asset's files; -1 unknown
    uint32_t folderStamp = 0;
    float build = 0.0f;
    std::string editingPath;    // non-empty exactly when open for edit
    std::string installedPath;  // path of the installed copy inside `location`
    std::string location;       // "base", "builtin\\1".."builtin\\4" or a folder name
    std::string localPath;      // "local/hash-XX/..." when a local copy exists
    KUID mapKuid = KUID::Null;  // session assets: the KUID of their map
    uint8_t flags = kFlagLocallyEnabled | kFlagArchiveKnown;
    uint8_t flags2 = 0;
    uint32_t obsoleteGeneration = 0;
    uint8_t permissions = kPermitCommit | kPermitEdit | kPermitListing;
    uint8_t extraFlag = 0;      // stored as one boolean
    uint8_t localRating = 255;  // 255: none
    uint64_t installTime = 0;
    uint64_t modifyTime = 0;
    std::string cachedDescription;
    std::string keywords;
    std::string name;
    std::string displayName;    // when non-empty, shown, sorted and tested instead of `name`
    std::string searchText;     // not stored; see VLXRebuildSearchText

    // The name shown, sorted and tested: displayName, or name when that is empty.
    const std::string& ShownName() const { return displayName.empty() ? name : displayName; }

    bool IsLocal() const { return !installedPath.empty() || !editingPath.empty() || !localPath.empty(); }
    bool IsLocallyAvailable() const { return !installedPath.empty() || !localPath.empty(); }
    bool IsLocallyModified() const { return !localPath.empty(); }
    bool IsOpenForEdit() const { return !editingPath.empty(); }
    bool HasValidName() const { return !displayName.empty(); }
    bool IsFaulty() const { return (flags2 & kFlag2Faulty) && IsLocallyAvailable(); }
    bool HasWarnings() const { return (flags2 & kFlag2HasWarnings) && IsLocallyAvailable(); }
    bool IsBuiltIn() const { return (flags2 & kFlag2BuiltIn) != 0; }
    bool IsOnDownloadStation() const { return (flags & kFlagOnDownloadStation) != 0; }
};

using VLXAssetRecordRef = std::shared_ptr<VLXAssetRecord>;

// True when `codes` (a ";"-separated category class) holds `code` as one of its entries.
bool VLXCategoryClassHas(std::string_view codes, std::string_view code);

// Rebuilds searchText from the shown name, the keywords and the words "interactive",
// "locomotive", "tender", "rollingstock" when the category class contains ACTV, LOCO, TEND, ROLL;
// the parts are joined with ";".
void VLXRebuildSearchText(VLXAssetRecord& record);

// Applies what every loaded or filled record obeys: no commit permission in location "base".
void VLXApplyLocationRules(VLXAssetRecord& record);
