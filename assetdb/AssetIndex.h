// VLXAssetIndex: the in-memory tables of the asset index, as loaded from and written to assets.tdx.
#pragma once

#include "assetdb/AssetRecord.h"
#include "assetdb/KuidHashMap.h"
#include "core/KUID.h"
#include "engine/PString.h"
#include "soup/SoupRef.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Change flags of the index (VLXAssetIndex::changeFlags).
enum VLXChangeFlag : uint8_t {
    kChangedRecords = 0x01,
    kChangedDependencyStates = 0x02,
    kChangedRescanPending = 0x10,
    kChangedAssetData = 0x20,
    kChangedSettings = 0x40,
    kChangedBuildNumber = 0x80,
};

// The build number this program writes as the last writer of the index.
inline constexpr uint32_t kVLXBuildNumber = 39979;

struct VLXKuidMapEntry {
    KUID source = KUID::Null;
    KUID target = KUID::Null;
    KUID third = KUID::Null;  // stored only in tables that carry it
};

// A KUID mapping table: entries in file order plus a look-up by source KUID.
class VLXKuidMapTable {
public:
    bool carriesThird = false;

    const std::vector<VLXKuidMapEntry>& Entries() const { return entries_; }
    // The entry whose source is `source`, or nullptr.
    const VLXKuidMapEntry* Find(const KUID& source) const;
    // The target `source` maps to, or `source` itself when the table does not hold it.
    KUID Map(const KUID& source) const;
    // Adds an entry, or replaces the entry with the same source.
    void Set(const VLXKuidMapEntry& entry);
    void Clear();

private:
    std::vector<VLXKuidMapEntry> entries_;
    VLXKuidHashMap<size_t> bySource_;
};

struct VLXDependencyEntry {
    KUID kuid = KUID::Null;
    std::vector<KUID> requiredKuids;   // the KUIDs this asset requires
    std::vector<KUID> requiringKuids;  // the KUIDs that require this asset
};

// The dependency table: entries in file order plus a look-up by KUID.
class VLXDependencyTable {
public:
    const std::vector<VLXDependencyEntry>& Entries() const { return entries_; }
    const VLXDependencyEntry* Find(const KUID& kuid) const;
    // The entry of `kuid`, created empty at the end when missing.
    VLXDependencyEntry& Get(const KUID& kuid);
    // Makes room for `n` entries.
    void Reserve(size_t n);
    void Clear();

private:
    std::vector<VLXDependencyEntry> entries_;
    VLXKuidHashMap<size_t> byKuid_;
};

struct VLXAuthorEntry {
    Nox::PString name;  // lower case
    int32_t userId = 0;
    int32_t secondId = 0;
};

// One stored database-log entry (the closed list of VLXLog).
struct VLXLogRecord {
    uint8_t type = 0;  // 0 information, 1 warning, 2 error
    bool hasKuid = false;
    KUID kuid = KUID::Null;
    std::string text;
    uint8_t level = 0;
    uint32_t sequence = 0;
};

struct VLXLogSnapshot {
    uint32_t sequence = 0;
    std::vector<VLXLogRecord> entries;
};

// An entry of the path table; its meaning is not used here, it is kept and written back.
struct VLXPathEntry {
    bool flag = false;
    uint32_t value1 = 0;
    std::string path;  // at most 260 characters
    std::string text;
    uint32_t value2 = 0;
    std::vector<KUID> kuids;
};

struct VLXDownloadStationState {
    std::string text;
    uint64_t timeStamp = 0;
    std::vector<std::string> queuedUrls;
};

struct VLXAssetIndex {
    // Records: the map by KUID and the array sorted by shown name (VLXCompareFolded).
    VLXKuidHashMap<VLXAssetRecordRef> records;
    std::vector<VLXAssetRecordRef> array;

    VLXKuidMapTable obsoleteMap;  // table 1: a KUID to the KUID that makes it obsolete
    VLXKuidMapTable kuidMap2;     // table 2: consulted by the KUID generator
    VLXDependencyTable dependencies;
    std::vector<VLXAuthorEntry> authors;
    VLXLogSnapshot log;

    Nox::PString currentUser;
    Nox::PString userText2;
    bool userFlag2 = false;
    bool noGpuCompression = false;
    uint32_t highestBuild = kVLXBuildNumber;
    uint32_t lastWriterBuild = kVLXBuildNumber;
    uint64_t timeStamp = 0;

    SoupRef settings;   // named sub-containers, e.g. internet/language
    SoupRef assetData;  // per user id a container, per asset an entry named by its KUID text

    std::vector<VLXPathEntry> pathEntries;
    uint64_t value64 = 0;
    VLXDownloadStationState downloadStation;
    std::array<uint32_t, 3> trailerValues{};
    std::array<uint8_t, 8> clientId{};  // 3 random bytes, a counter byte, 4 machine bytes
    bool fullScanDone = false;

    uint8_t changeFlags = 0;
    bool needsFullScan = false;
    uint32_t generation = 1;  // current generation of the obsolete state

    // Record look-up by KUID; nullptr when absent.
    VLXAssetRecord* Lookup(const KUID& kuid) const;
    // Adds a record to the map and the end of the array; a record with the same KUID is
    // overwritten in place (the array keeps one entry). Returns the record held.
    VLXAssetRecordRef Add(VLXAssetRecordRef record);
    // Add without handing the held record back (the reader adds every record of a file); false
    // when the KUID was already held.
    bool Insert(VLXAssetRecordRef record);
    // Removes a record from the map and the array.
    bool Remove(const KUID& kuid);
    // Sorts the array by shown name (stable; skipped when already in order).
    void SortArray();
    // Empties every table and resets every value to that of a new installation.
    void Clear();
};

// The order of the record array: shown names compared after case folding.
bool VLXRecordNameLess(const VLXAssetRecordRef& a, const VLXAssetRecordRef& b);
bool VLXShownNameLess(const VLXAssetRecord& a, const VLXAssetRecord& b);
