// Asset queries: a flat record of conditions, and the walks that select records by query or filter.
#pragma once

#include "assetdb/AssetFilter.h"
#include "core/KUID.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

struct VLXAssetQuery {
    // Tri-state conditions.
    enum : uint8_t { kMustBeTrue = 0, kMustBeFalse = 1, kEither = 2 };
    uint8_t local = kEither;
    uint8_t locallyAvailable = kEither;
    uint8_t upToDate = kEither;
    uint8_t obsolete = kEither;
    uint8_t locallyModified = kEither;
    uint8_t validName = kEither;
    uint8_t openForEdit = kEither;
    uint8_t inArchive = kEither;
    uint8_t locallyEnabled = kEither;
    uint8_t missingDependencies = kEither;
    uint8_t faultyDependencies = kEither;
    uint8_t faulty = kEither;
    uint8_t fromDyebox = kEither;
    uint8_t builtIn = kEither;
    uint8_t listingPermitted = kEither;
    uint8_t favourite = kEither;

    // Inclusive time ranges; an absent bound is no limit.
    std::optional<uint64_t> installTimeMin, installTimeMax;
    std::optional<uint64_t> modifyTimeMin, modifyTimeMax;
    // Local rating range; a maximum below the minimum means no limit.
    int localRatingMin = 0;
    int localRatingMax = -1;

    int nameMode = 1;        // 0: whole shown name ignoring case; 1: part of it ignoring case
    int keywordMode = 1;     // 0: category expression on the search text; 1: keyword expression
    int32_t authorUserId = 0;  // 0: any author
    std::string name;
    std::string categoryExpression;
    std::string eraExpression;
    std::string keywords;
    std::string regionExpression;  // codes ("AU|NZ") or a region name
    int buildMode = 2;             // 0: build >= threshold; 1: build < threshold; 2: any
    float buildThreshold = 0.0f;
    std::unordered_set<KUID> kuids;  // empty: any
    KUID mapKuid = KUID::Null;       // null: any
};

// The KUIDs of the records that pass every condition, in record-array order (shown name).
// Runs on `context.index` as it is; the caller holds the database lock.
std::vector<KUID> VLXQueryAssets(const VLXQueryContext& context, const VLXAssetQuery& query);
std::vector<KUID> VLXQueryByFilter(const VLXQueryContext& context, const VLXFilterElement& filter);

// The same on the process's database, under its read lock.
std::vector<KUID> VLXQueryAssets(const VLXAssetQuery& query);
std::vector<KUID> VLXQueryByFilter(const VLXFilterElement& filter);
