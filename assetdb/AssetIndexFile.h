// Reading and writing the asset index file assets.tdx (versions 20 to 36; written as 36).
#pragma once

#include "assetdb/AssetIndex.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// Format versions of assets.tdx. Each value names what it added to the one before.
enum VLXIndexVersion : uint32_t {
    kIndexV20 = 20,              // oldest version read
    kIndexFolderStamp = 21,      // records end with folderStamp
    kIndexObsoleteFlag = 23,     // flags2 bit 7 and the obsolete-current boolean
    kIndexCurrentUser = 24,      // current user text after the database log position
    kIndexNoGpuFlag = 25,        // texture compression GPU flag
    kIndexSecondKuidMap = 26,    // KUID mapping table 2
    kIndexSettingsSoup = 27,     // database settings soup before the per-asset soup
    kIndexWarningFlag = 28,      // flags2 bit 4 (has warnings)
    kIndexLowPermissions = 29,   // permissions bits 0 and 1
    kIndexBuildNumbers = 30,     // highest and last writer build numbers
    kIndexTimeStamp = 31,        // 64-bit time stamp
    kIndexValue64 = 32,          // a 64-bit value replaces the ignored 32-bit value
    kIndexExtraFlag = 33,        // extraFlag boolean in records
    kIndexScrambled = 34,        // seed in the header, body scrambled
    kIndexDatabaseLog = 35,      // database log section
    kIndexUserText2 = 36,        // second interned text and boolean
    kIndexOldest = kIndexV20,
    kIndexCurrent = kIndexUserText2,
};

inline constexpr uint32_t kIndexMagic = 0xCEEBA2DB;
inline constexpr uint32_t kIndexSizePlaceholder = 0xFEEDCEEB;
inline constexpr uint32_t kPathEntryEndMarker = 0x41494E65;  // "eNIA"
inline constexpr uint32_t kClientIdMagic = 0xDEADD00D;

// What the reader needs from its surroundings; tests replace the defaults.
struct VLXIndexReadContext {
    uint64_t now = 0;                       // current engine time stamp (microseconds); 0 unknown
    std::array<uint8_t, 4> machine{};       // machine bytes of the client identifier
    std::function<uint32_t()> random;       // random numbers for a new client identifier
    std::function<void(const std::string&)> log;  // one engine log line
    // From this many records on, two threads read them (below it, starting a thread costs more
    // than it saves); tests and fuzzing lower it to reach that path with small files.
    uint32_t twoThreadRecords = 4096;
};

struct VLXIndexReadResult {
    bool ok = false;
    uint32_t version = 0;
    const char* reason = nullptr;  // why the file was rejected
    // The record array came out in name order (VLXRecordNameLess), so SortArray has nothing to do.
    bool arraySorted = false;
    // How many threads read the records: 2 for a large index, whose second part a second thread
    // reads (found by skipping the first part) while the first is read.
    int recordThreads = 1;
};

// Reads a whole file image (scrambled bodies are unscrambled in place). The index is cleared
// first and left empty when the file is rejected.
VLXIndexReadResult VLXReadIndex(std::span<uint8_t> image, VLXAssetIndex& index, const VLXIndexReadContext& context);

// Writes the index as a version-36 image scrambled with `seed`.
std::vector<uint8_t> VLXWriteIndex(const VLXAssetIndex& index, uint32_t seed);

// Writes the same file through `write`, piece by piece in file order, without building the whole
// image. The size field still holds the placeholder 0xFEEDCEEB: the caller patches the returned
// size in at offset 8 after the last byte. Returns 0 when `write` failed.
uint64_t VLXWriteIndexPieces(const VLXAssetIndex& index, uint32_t seed,
                             const std::function<bool(std::span<const uint8_t>)>& write);
