// Filter elements and queries over a small index.
#include "assetdb/AssetFilter.h"
#include "assetdb/AssetQuery.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct RecordSpec {
    KUID kuid;
    const char* name;
    const char* codes;
    const char* regions = "";
    const char* eras = "";
    const char* localPath = "local/hash-00/x";
};

class QueryTest : public ::testing::Test {
protected:
    VLXAssetIndex index;
    VLXQueryContext context{index, "/nonexistent"};

    VLXAssetRecord& Add(const RecordSpec& spec)
    {
        auto record = std::make_shared<VLXAssetRecord>();
        record->kuid = spec.kuid;
        record->name = spec.name;
        record->categoryClass = spec.codes;
        record->regionList = spec.regions;
        record->eraList = spec.eras;
        record->localPath = spec.localPath;
        VLXRebuildSearchText(*record);
        return *index.Add(record);
    }

    void SetUp() override
    {
        Add({{1, 10, 0}, "Big box car", "TR;TV;ROLL", "AU;NZ", "1950"});
        Add({{1, 11, 0}, "box", "BD;MESH", "US", "1960"});
        Add({{1, 12, 0}, "Station", "BD;IND;ACTV;FIXD", "UK", "1950;1960"});
        Add({{2, 20, 0}, "Steam loco", "TR;TV;LOCO", "AU", "1920", ""});  // not local
        Add({{2, 20, 1}, "Steam loco v2", "TR;TV;LOCO", "", "", "local/hash-01/y"});
        Add({{3, 30, 0}, "Mesh part", "CMP;MESH", "", "", "local/hash-02/z"});
        index.SortArray();
    }

    std::vector<std::string> Names(const std::vector<KUID>& kuids) const
    {
        std::vector<std::string> names;
        for (const KUID& kuid : kuids)
            names.push_back(index.Lookup(kuid)->ShownName());
        return names;
    }
    using Names_t = std::vector<std::string>;
};

TEST_F(QueryTest, CategoryExpressionsInNameOrder)
{
    const struct {
        const char* expression;
        uint8_t local;
        std::vector<std::string> names;
    } cases[] = {
        {"TR", VLXAssetQuery::kMustBeTrue, {"Big box car", "Steam loco v2"}},
        {"TR", VLXAssetQuery::kEither, {"Big box car", "Steam loco", "Steam loco v2"}},
        {"BD;-ACTV", VLXAssetQuery::kEither, {"box"}},
        {"CMP;MESH|BD;-ACTV|VE|SCEN", VLXAssetQuery::kEither, {"box", "Mesh part"}},
        {"|XX", VLXAssetQuery::kMustBeTrue,
         {"Big box car", "box", "Mesh part", "Station", "Steam loco v2"}},
        {"XX|", VLXAssetQuery::kEither, {}},
        {"tr", VLXAssetQuery::kEither, {}},  // lower case matches nothing
    };
    for (const auto& c : cases) {
        VLXAssetQuery query;
        query.local = c.local;
        query.categoryExpression = c.expression;
        EXPECT_EQ(Names(VLXQueryAssets(context, query)), c.names) << c.expression;
    }
}

TEST_F(QueryTest, RegionEraNameKeywordAndMapConditions)
{
    const struct {
        const char* region;
        std::vector<std::string> names;
    } regionCases[] = {
        {"AU", {"Big box car", "Steam loco"}},
        {"AU|UK", {"Big box car", "Station", "Steam loco"}},
        {"Australia", {"Big box car", "Steam loco"}},
        {"united kingdom", {"Station"}},
        {"au", {"Big box car", "Steam loco"}},
        {"Atlantis", {"Big box car", "box", "Mesh part", "Station", "Steam loco", "Steam loco v2"}},
    };
    for (const auto& c : regionCases) {
        VLXAssetQuery query;
        query.regionExpression = c.region;
        EXPECT_EQ(Names(VLXQueryAssets(context, query)), c.names) << c.region;
    }

    VLXAssetQuery era;
    era.eraExpression = "1950;-1960";
    EXPECT_EQ(Names(VLXQueryAssets(context, era)), (Names_t{"Big box car"}));

    VLXAssetQuery part;
    part.name = "BOX";
    EXPECT_EQ(Names(VLXQueryAssets(context, part)), (Names_t{"Big box car", "box"}));
    part.nameMode = 0;
    EXPECT_EQ(Names(VLXQueryAssets(context, part)), (Names_t{"box"}));

    VLXAssetQuery keywords;
    keywords.keywords = "loco|Mesh";
    EXPECT_EQ(Names(VLXQueryAssets(context, keywords)), (Names_t{"Mesh part", "Steam loco", "Steam loco v2"}));
    keywords.keywordMode = 0;  // whole entries of the search text
    keywords.keywords = "locomotive";
    EXPECT_EQ(Names(VLXQueryAssets(context, keywords)), (Names_t{"Steam loco", "Steam loco v2"}));

    VLXAssetQuery author;
    author.authorUserId = 2;
    EXPECT_EQ(Names(VLXQueryAssets(context, author)), (Names_t{"Steam loco", "Steam loco v2"}));

    // The map KUID is replaced by what mapping table 1 maps it to.
    index.Lookup({3, 30, 0})->mapKuid = KUID(9, 9, 1);
    index.obsoleteMap.Set({KUID(9, 9, 0), KUID(9, 9, 1)});
    VLXAssetQuery map;
    map.mapKuid = KUID(9, 9, 0);
    EXPECT_EQ(Names(VLXQueryAssets(context, map)), (Names_t{"Mesh part"}));

    VLXAssetQuery set;
    set.kuids = {KUID(1, 11, 0), KUID(3, 30, 0), KUID(7, 7, 7)};
    EXPECT_EQ(Names(VLXQueryAssets(context, set)), (Names_t{"box", "Mesh part"}));
}

TEST_F(QueryTest, StateConditionsAndRanges)
{
    VLXAssetQuery upToDate;
    upToDate.upToDate = VLXAssetQuery::kMustBeFalse;
    EXPECT_EQ(Names(VLXQueryAssets(context, upToDate)), (Names_t{"Steam loco"}));

    index.obsoleteMap.Set({KUID(1, 10, 0), KUID(1, 10, 0)});  // maps to itself: not obsolete
    index.obsoleteMap.Set({KUID(1, 11, 0), KUID(1, 12, 0)});
    VLXAssetQuery obsolete;
    obsolete.obsolete = VLXAssetQuery::kMustBeTrue;
    EXPECT_EQ(Names(VLXQueryAssets(context, obsolete)), (Names_t{"box"}));
    // Cached for the generation; a new generation computes it again.
    index.obsoleteMap.Clear();
    EXPECT_EQ(Names(VLXQueryAssets(context, obsolete)), (Names_t{"box"}));
    ++index.generation;
    EXPECT_TRUE(VLXQueryAssets(context, obsolete).empty());

    index.Lookup({1, 10, 0})->localRating = 3;
    index.Lookup({1, 11, 0})->localRating = 5;
    VLXAssetQuery rating;
    rating.localRatingMin = 3;
    rating.localRatingMax = 4;
    EXPECT_EQ(Names(VLXQueryAssets(context, rating)), (Names_t{"Big box car"}));
    rating.localRatingMax = 2;  // below the minimum: no limit
    EXPECT_EQ(VLXQueryAssets(context, rating).size(), 6u);

    index.Lookup({1, 12, 0})->build = 3.505f;
    VLXAssetQuery build;
    build.buildMode = 0;
    build.buildThreshold = 3.5f;
    EXPECT_EQ(Names(VLXQueryAssets(context, build)), (Names_t{"Station"}));
    build.buildMode = 1;
    EXPECT_EQ(VLXQueryAssets(context, build).size(), 5u);

    index.Lookup({1, 10, 0})->installTime = 100;
    index.Lookup({1, 11, 0})->installTime = 200;
    VLXAssetQuery time;
    time.installTimeMin = 100;
    time.installTimeMax = 150;
    EXPECT_EQ(Names(VLXQueryAssets(context, time)), (Names_t{"Big box car"}));

    index.Lookup({1, 11, 0})->flags |= kFlagFavourite;
    index.Lookup({1, 11, 0})->permissions &= uint8_t(~kPermitListing);
    VLXAssetQuery flags;
    flags.favourite = VLXAssetQuery::kMustBeTrue;
    EXPECT_EQ(Names(VLXQueryAssets(context, flags)), (Names_t{"box"}));
    flags.favourite = VLXAssetQuery::kEither;
    flags.listingPermitted = VLXAssetQuery::kMustBeFalse;
    EXPECT_EQ(Names(VLXQueryAssets(context, flags)), (Names_t{"box"}));
}

TEST_F(QueryTest, FilterElements)
{
    using Group = VLXFilterElementGroup;
    auto str = [](VLXStringFilterKey key, const char* value) {
        return std::make_unique<VLXFilterElementString>(key, value);
    };
    auto boolean = [](VLXBoolFilterKey key) { return std::make_unique<VLXFilterElementBool>(key); };

    EXPECT_EQ(Names(VLXQueryByFilter(context, *str(VLXStringFilterKey::AssetName, "\"Box\""))), (Names_t{"box"}));
    EXPECT_EQ(Names(VLXQueryByFilter(context, *str(VLXStringFilterKey::AssetName, "Box"))),
              (Names_t{"Big box car", "box"}));
    EXPECT_EQ(VLXQueryByFilter(context, *str(VLXStringFilterKey::AssetName, "")).size(), 6u);
    EXPECT_EQ(Names(VLXQueryByFilter(context, *str(VLXStringFilterKey::AssetName, "\""))), Names_t{});
    EXPECT_EQ(Names(VLXQueryByFilter(context, *str(VLXStringFilterKey::KeywordList, "rolling"))),
              (Names_t{"Big box car"}));
    EXPECT_EQ(Names(VLXQueryByFilter(context, *str(VLXStringFilterKey::RegionList, "NZ"))), (Names_t{"Big box car"}));
    EXPECT_TRUE(VLXQueryByFilter(context, VLXFilterElementString(7, "x")).empty());
    EXPECT_TRUE(VLXQueryByFilter(context, VLXFilterElementBool(19)).empty());

    Group empty;
    EXPECT_EQ(VLXQueryByFilter(context, empty).size(), 6u);
    empty.SetNegate(true);
    EXPECT_TRUE(VLXQueryByFilter(context, empty).empty());

    // The consist-import shape: AND of category, states and a negated group.
    Group all(str(VLXStringFilterKey::CategoryList, "TR"));
    all.AddChild(boolean(VLXBoolFilterKey::Local));
    all.AddChild(boolean(VLXBoolFilterKey::LocallyAvailable));
    auto notObsolete = std::make_unique<Group>(boolean(VLXBoolFilterKey::Obsolete));
    notObsolete->SetNegate(true);
    all.AddChild(std::move(notObsolete));
    EXPECT_EQ(Names(VLXQueryByFilter(context, all)), (Names_t{"Big box car", "Steam loco v2"}));
    EXPECT_EQ(all.GetValue(), "(category-list:TRlocal:truelocally-available:truegroup:(obsolete:true))");

    Group any;
    any.SetAnd(false);
    any.AddChild(str(VLXStringFilterKey::CategoryList, "CMP"));
    any.AddChild(str(VLXStringFilterKey::EraList, "1920"));
    EXPECT_EQ(Names(VLXQueryByFilter(context, any)), (Names_t{"Mesh part", "Steam loco"}));

    // Equals compares key, value and, for groups, shape and flags.
    EXPECT_TRUE(VLXFilterElementBool(VLXBoolFilterKey::Local).Equals(VLXFilterElementBool(0u)));
    EXPECT_FALSE(VLXFilterElementBool(0u).Equals(VLXFilterElementBool(1u)));
    EXPECT_TRUE(str(VLXStringFilterKey::AssetName, "\"a\"")->Equals(*str(VLXStringFilterKey::AssetName, "a")));
    Group a(boolean(VLXBoolFilterKey::Local)), b(boolean(VLXBoolFilterKey::Local));
    EXPECT_TRUE(a.Equals(b));
    b.SetNegate(true);
    EXPECT_FALSE(a.Equals(b));
    b.SetNegate(false);
    b.SetAnd(false);
    EXPECT_FALSE(a.Equals(b));
    EXPECT_FALSE(a.Equals(VLXFilterElementBool(0u)));
    EXPECT_EQ(VLXFilterElementBool(18u).GetKey(), "warnings");
    EXPECT_EQ(VLXFilterElementBool(19u).GetKey(), "unknown");

    const struct {
        VLXBoolFilterKey key;
        std::vector<std::string> names;
    } boolCases[] = {
        {VLXBoolFilterKey::LocationUnknown, {"Steam loco"}},
        {VLXBoolFilterKey::UpToDate, {"Big box car", "box", "Mesh part", "Station", "Steam loco v2"}},
        {VLXBoolFilterKey::LocallyModified, {"Big box car", "box", "Mesh part", "Station", "Steam loco v2"}},
        {VLXBoolFilterKey::OpenForEdit, {}},
        {VLXBoolFilterKey::InArchive, {}},
        {VLXBoolFilterKey::Faulty, {}},
    };
    for (const auto& c : boolCases)
        EXPECT_EQ(Names(VLXQueryByFilter(context, VLXFilterElementBool(c.key))), c.names) << int(c.key);

    index.Lookup({2, 20, 0})->flags |= kFlagOnDownloadStation;
    index.Lookup({1, 11, 0})->flags2 |= kFlag2Faulty;
    EXPECT_EQ(Names(VLXQueryByFilter(context, VLXFilterElementBool(VLXBoolFilterKey::DownloadStation))),
              (Names_t{"Steam loco"}));
    EXPECT_EQ(Names(VLXQueryByFilter(context, VLXFilterElementBool(VLXBoolFilterKey::Faulty))), (Names_t{"box"}));
}

} // namespace
