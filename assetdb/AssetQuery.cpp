// Asset queries: every record of the array tested against a query record or a filter tree.
#include "assetdb/AssetQuery.h"

#include "assetdb/AssetDatabase.h"
#include "assetdb/CaseFolding.h"
#include "assetdb/CategoryExpression.h"
#include "assetdb/DependencyStates.h"
#include "assetdb/RegionTable.h"

#include <unordered_map>

namespace {

// A tri-state condition: kEither passes anything, otherwise the state must equal the wish.
inline bool Passes(uint8_t condition, bool state)
{
    return condition == VLXAssetQuery::kEither || state == (condition == VLXAssetQuery::kMustBeTrue);
}

inline bool InRange(uint64_t value, const std::optional<uint64_t>& low, const std::optional<uint64_t>& high)
{
    return (!low || value >= *low) && (!high || value <= *high);
}

uint64_t AssetKey(const KUID& kuid) { return (uint64_t(uint32_t(kuid.userId)) << 32) | uint32_t(kuid.contentId); }

// Newest version of every (user id, content id) of the index, built once per query that asks.
std::unordered_map<uint64_t, int32_t> NewestVersions(const VLXAssetIndex& index)
{
    std::unordered_map<uint64_t, int32_t> newest;
    newest.reserve(index.array.size());
    for (const VLXAssetRecordRef& record : index.array) {
        auto [it, inserted] = newest.emplace(AssetKey(record->kuid), record->kuid.version);
        if (!inserted && record->kuid.version > it->second)
            it->second = record->kuid.version;
    }
    return newest;
}

} // namespace

std::vector<KUID> VLXQueryAssets(const VLXQueryContext& context, const VLXAssetQuery& query)
{
    VLXAssetIndex& index = context.index;

    KUID mapKuid = query.mapKuid;
    if (!mapKuid.IsNull())
        mapKuid = index.obsoleteMap.Map(mapKuid);

    // A region given by name ("Australia", "au") becomes its code; an unknown name becomes the
    // empty expression, which matches every record.
    std::string region = query.regionExpression;
    if (!region.empty() && !VLXStartsWithRegionCode(region))
        region = VLXRegionCode(region);

    std::unordered_map<uint64_t, int32_t> newest;
    if (query.upToDate != VLXAssetQuery::kEither)
        newest = NewestVersions(index);

    const bool ratingLimited = query.localRatingMax >= query.localRatingMin;
    // Expressions are parsed once for the whole walk.
    const VLXCategoryMatcher category(query.categoryExpression);
    const VLXCategoryMatcher era(query.eraExpression);
    const VLXCategoryMatcher regions(region);
    const VLXCategoryMatcher keywordCodes(query.keywordMode == 0 ? std::string_view(query.keywords) : "");

    std::vector<KUID> result;
    for (const VLXAssetRecordRef& ref : index.array) {
        VLXAssetRecord& r = *ref;
        // The first three tests have no side effects, so their order does not change the result;
        // the category test comes first because it reads the fewest bytes of the record.
        if (!category.MatchesEverything() && !category.Matches(r.categoryClass))
            continue;
        if (!Passes(query.local, r.IsLocal()) || !Passes(query.locallyAvailable, r.IsLocallyAvailable()))
            continue;
        if (!Passes(query.locallyModified, r.IsLocallyModified()) || !Passes(query.openForEdit, r.IsOpenForEdit()))
            continue;
        if (query.inArchive != VLXAssetQuery::kEither && !Passes(query.inArchive, VLXIsInArchive(context.root, r)))
            continue;
        if (!Passes(query.locallyEnabled, (r.flags & kFlagLocallyEnabled) != 0))
            continue;
        if ((query.buildMode == 0 && !(r.build >= query.buildThreshold)) ||
            (query.buildMode == 1 && !(r.build < query.buildThreshold)))
            continue;
        if (!InRange(r.installTime, query.installTimeMin, query.installTimeMax) ||
            !InRange(r.modifyTime, query.modifyTimeMin, query.modifyTimeMax))
            continue;
        if (ratingLimited && (r.localRating < query.localRatingMin || r.localRating > query.localRatingMax))
            continue;
        if (!Passes(query.validName, !r.ShownName().empty()))
            continue;
        if (!era.MatchesEverything() && !era.Matches(r.eraList))
            continue;
        if (!regions.MatchesEverything() && !regions.Matches(r.regionList))
            continue;
        if (!query.kuids.empty() && !query.kuids.count(r.kuid))
            continue;
        if (query.upToDate != VLXAssetQuery::kEither &&
            !Passes(query.upToDate, newest[AssetKey(r.kuid)] <= r.kuid.version))
            continue;
        if (query.obsolete != VLXAssetQuery::kEither && !Passes(query.obsolete, VLXIsObsolete(index, r)))
            continue;
        if (query.nameMode == 0 && !VLXEqualsFolded(r.ShownName(), query.name))
            continue;
        if (query.nameMode == 1 && !query.name.empty() && !VLXContainsFolded(r.ShownName(), query.name))
            continue;
        if (query.authorUserId != 0 && r.kuid.userId != query.authorUserId)
            continue;
        if (query.missingDependencies != VLXAssetQuery::kEither &&
            !Passes(query.missingDependencies, VLXHasMissingDependencies(index, r)))
            continue;
        if (query.faultyDependencies != VLXAssetQuery::kEither &&
            !Passes(query.faultyDependencies, VLXHasFaultyDependencies(index, r)))
            continue;
        if (!Passes(query.faulty, r.IsFaulty()) || !Passes(query.fromDyebox, (r.flags & kFlagDyebox) != 0) ||
            !Passes(query.builtIn, r.IsBuiltIn()) ||
            !Passes(query.listingPermitted, (r.permissions & kPermitListing) != 0) ||
            !Passes(query.favourite, (r.flags & kFlagFavourite) != 0))
            continue;
        if (!mapKuid.IsNull() && r.mapKuid != mapKuid)
            continue;
        if (!query.keywords.empty()) {
            const bool match = query.keywordMode == 1 ? VLXMatchKeywords(r.searchText, query.keywords)
                                                      : keywordCodes.Matches(r.searchText);
            if (!match)
                continue;
        }
        result.push_back(r.kuid);
    }
    return result;
}

std::vector<KUID> VLXQueryByFilter(const VLXQueryContext& context, const VLXFilterElement& filter)
{
    std::vector<KUID> result;
    for (const VLXAssetRecordRef& ref : context.index.array)
        if (filter.Matches(context, *ref))
            result.push_back(ref->kuid);
    return result;
}

std::vector<KUID> VLXQueryAssets(const VLXAssetQuery& query)
{
    VLXDatabaseLock lock;
    if (!lock)
        return {};
    return VLXQueryAssets(VLXQueryContext{VLXIndex(), VLXDatabaseRoot()}, query);
}

std::vector<KUID> VLXQueryByFilter(const VLXFilterElement& filter)
{
    VLXDatabaseLock lock;
    if (!lock)
        return {};
    return VLXQueryByFilter(VLXQueryContext{VLXIndex(), VLXDatabaseRoot()}, filter);
}
