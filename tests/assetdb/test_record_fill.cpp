// Category codes, region and era lists, and the record fill rules, from small configurations.
#include "assetdb/CategoryClass.h"
#include "assetdb/RecordFill.h"
#include "assetdb/RegionEraLists.h"
#include "soup/TextSoup.h"

#include <gtest/gtest.h>

#include <string>

namespace {

SoupRef Config(std::string_view text)
{
    SoupRef soup;
    ReadTextSoup(soup, text);
    return soup;
}

struct ConfigCase {
    const char* config;
    const char* expected;
};

TEST(ComputeCategoryClass, ExampleConfigurations)
{
    const ConfigCase cases[] = {
        {"kind traincar\nengine 1\n", "TR;TV;LOCO"},
        {"kind TrainCar\nengine 1\n", "TR;TV;LOCO"},                        // kind folded
        {"kind traincar\ntender 1\nengine 1\n", "TR;TV;TEND"},
        {"kind traincar\nengine 0\n", "TR;TV;ROLL"},
        {"kind traincar\ncategory-class AS\n", "TR;TV;TDR;ROLL"},
        {"kind traincar\ncategory-class aa\nengine 1\n", "TR;TV;LOC;ELEC;LOCO"},
        {"kind scenery\ncategory-class WA\ntrackside 2.5\n", "TO;SIG"},
        {"kind scenery\ncategory-class WA\n", "SY;SCEN"},                   // TO needs the trackside flag
        {"kind scenery\ncategory-class AA\n", "SY;SCEN"},                   // class of another kind
        {"kind scenery\ntype Trackside\n", "SY;SCEN"},                      // type trackside counts as empty
        {"kind bridge\ntype road\nisroad 1\n", "SPLN;BRG"},
        {"kind bridge\ntype bridges\n", "TK;BRG"},
        {"kind bridge\nistrack 1\n", "TK"},
        {"kind track\nistrack 0\n", "SPLN"},                                // present but 0: road
        {"kind track\ntype rails\n", "TK"},
        {"kind track\ncategory-class TR\nistrack 1\n", "TK"},               // TK;RLS belongs to kind bridge
        {"kind track\ncategory-class SR\n", "RD;SPLN"},
        {"kind industry\ncategory-class BIN\n", "BD;IND;ACTV;FIXD"},
        {"kind mojunction\n", "TO;?WX"},
        {"kind scenery\ncategory-class FT\n", "FL;SCEN;SY"},                // (any) kind row, kind codes added
        {"kind scenery\ncustom-category-list abc;def\n", "SY;SCEN;#ABC;#DEF"},
        {"kind scenery\ncustom-category-list \"tr|TV;;tr\"\n", "SY;SCEN;#TR;#TV"},
        {"kind scenery\ncustom-category-list "
         "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n", "SY;SCEN"},  // 65 characters
        {"kind nosuchkind\n", ""},
        {"category-class AS\n", ""},  // the class row matches any kind, but its codes name another
        {"kind profile\n", "SS"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VLXComputeCategoryClass(Config(c.config)), c.expected) << c.config;
}

TEST(ComputeRegionAndEraLists, ExampleConfigurations)
{
    const ConfigCase regions[] = {
        {"category-region-0 Australia\ncategory-region-1 AUS\n", "AU"},
        {"category-region-0 Australia\ncategory-region-1 nz\ncategory-region-3 US\n", "AU;NZ"},  // stops at the gap
        {"category-region \"whatever;XX\"\ncategory-region-0 AU\n", "whatever;XX"},
        {"region \"United Kingdom\"\n", "UK"},
        {"region GB\n", "GB"},
        {"region <none>\n", ""},
        {"region Atlantis\norigin US\n", ""},
        {"origin Canada\n", "CA"},
        {"velmar-build 2.0\ncategory-region-0 Tonga\n", "00"},
        {"velmar-build 2.5\ncategory-region-0 Tonga\n", "TO"},
        {"category-region-0 Tonga\n", "00"},
        {"velmar-build 2.0\ncategory-region-0 Tonga\ncategory-region-1 US\n", "TO;US"},
    };
    for (const auto& c : regions)
        EXPECT_EQ(VLXComputeRegionList(Config(c.config)), c.expected) << c.config;

    const ConfigCase eras[] = {
        {"category-era-0 1950s\ncategory-era-1 60s\ncategory-era-2 19th\n", "1950;60"},
        {"category-era-0 \" 1980S \"\ncategory-era-1 1980\n", "1980;1980"},  // not de-duplicated
        {"category-era-0 1950\n", "1950"},                                   // an integer tag
        {"category-era-0 195\ncategory-era-1 2000ss\ncategory-era-2 12345\n", ""},
        {"category-era \"1950s;zz\"\ncategory-era-0 1960\n", "1950s;zz"},
        {"category-era-1 1950\n", ""},
    };
    for (const auto& c : eras)
        EXPECT_EQ(VLXComputeEraList(Config(c.config)), c.expected) << c.config;
}

TEST(RecordFill, NameRules)
{
    const ConfigCase cases[] = {
        {"username \"\"\nname My_Loco\nvelmar-build 2.4\n", "My Loco"},
        {"name My_Loco\nvelmar-build 3.5\n", "My_Loco"},
        {"name My_Loco\nvelmar-build 2.9\n", "My_Loco"},
        {"name My_Loco\nvelmar-build 2.89\n", "My Loco"},
        {"username \"  'Quoted name'  \"\nname other\n", "Quoted name"},
        {"asset-filename big_shed\n", "big shed"},
        {"username \"\t x \r\n\"\n", "x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VLXNameFromConfig(Config(c.config)), c.expected) << c.config;
    EXPECT_EQ(VLXNameFromConfig(Config("kind scenery\n")), VLXUntitledAssetName());
    EXPECT_EQ(VLXNameFromConfig(Config("username \"''\"\n")), VLXUntitledAssetName());
    EXPECT_FALSE(VLXUntitledAssetName().empty());
}

TEST(RecordFill, KeywordsBuildAndPermissions)
{
    EXPECT_EQ(VLXKeywordsFromCompany("Acme (Rail), Inc."), "acme;rail;inc.");
    EXPECT_EQ(VLXKeywordsFromCompany("  (Acme)  "), "acme;");
    EXPECT_EQ(VLXKeywordsFromCompany("ÄBC|x'y"), "Äbc;x;y");  // only A-Z are lowered
    EXPECT_EQ(VLXKeywordsFromCompany(""), "");

    EXPECT_FLOAT_EQ(VLXBuildFromConfig(Config("mesh-table\n{\n}\n")), 2.0f);
    EXPECT_FLOAT_EQ(VLXBuildFromConfig(Config("scriptclass x\n")), 2.0f);
    EXPECT_FLOAT_EQ(VLXBuildFromConfig(Config("kind scenery\n")), 1.3f);
    EXPECT_FLOAT_EQ(VLXBuildFromConfig(Config("velmar-build 3.5\n")), 3.505f);
    EXPECT_FLOAT_EQ(VLXBuildFromConfig(Config("velmar-build 0.5\nclass x\n")), 2.0f);
    EXPECT_FLOAT_EQ(VLXBuildFromConfig(Config("velmar-build 100\n")), 1.3f);

    struct {
        const char* config;
        bool builtIn;
        uint8_t permissions;  // bits 2, 3, 4
    } const cases[] = {
        {"kuid <kuid:1:2>\nvelmar-build 2.4\nproduct-type Template\n", false, kPermitCommit | kPermitEdit},
        {"kuid <kuid:1:2>\nvelmar-build 2.4\n", false, kPermitCommit | kPermitEdit | kPermitListing},
        {"kuid <kuid:1:2>\nvelmar-build 2.4\nsecret 1\n", false, kPermitCommit | kPermitEdit},
        {"kuid <kuid:1:2>\nvelmar-build 3.5\nproduct-type template\n", false,
         kPermitCommit | kPermitEdit | kPermitListing},
        {"kuid <kuid:1:2>\nvelmar-build 3.5\nprivileges\n{\npermit-listing 0\n}\n", false,
         kPermitCommit | kPermitEdit},
        {"kuid <kuid:1:2>\nvelmar-build 3.5\nprivileges\n{\npermit-listing 0\n}\nsecret 0\n", false,
         kPermitCommit | kPermitEdit | kPermitListing},
        {"kuid <kuid:1:2>\nvelmar-build 3.5\nprivileges\n{\npermit-commit 0\npermit-edit 0\n}\n", false,
         kPermitCommit | kPermitEdit | kPermitListing},
        {"kuid <kuid:1:2>\nvelmar-build 3.5\nprivileges\n{\npermit-commit 0\n}\n", true, kPermitEdit | kPermitListing},
        {"kuid <kuid:1:2>\nvelmar-build 2.0\nprivileges\n{\npermit-edit 0\n}\n", true, kPermitCommit | kPermitListing},
    };
    for (const auto& c : cases) {
        VLXAssetRecord record;
        record.permissions = kPermissionBit0;  // persisted bits survive a fill
        if (c.builtIn)
            record.flags2 |= kFlag2BuiltIn;
        record.diskSize = 0;
        ASSERT_TRUE(VLXFillRecordFromConfig(Config(c.config), record, true, "/nonexistent"));
        EXPECT_EQ(record.permissions, uint8_t(c.permissions | kPermissionBit0)) << c.config;
    }
}

TEST(RecordFill, WholeRecord)
{
    VLXAssetRecord record;
    record.flags |= kFlagArchiveKnown;
    record.location = "base";
    record.installedPath = "group/a";
    record.flags2 |= kFlag2BuiltIn;
    const SoupRef config = Config(
        "kuid <kuid2:1:2:3>\nkind profile\nusername \"My Session\"\ncompany \"Acme (Rail)\"\n"
        "map-kuid <kuid:5:6>\nvelmar-build 3.5\nproduct-type Reskin\ncategory-region-0 Germany\n"
        "category-era-0 1950s\n");
    ASSERT_TRUE(VLXFillRecordFromConfig(config, record, true, "/nonexistent"));
    EXPECT_EQ(record.kuid, KUID(1, 2, 3));
    EXPECT_EQ(record.categoryClass, "SS");
    EXPECT_EQ(record.name, "My Session");
    EXPECT_EQ(record.keywords, "acme;rail;");
    EXPECT_EQ(record.mapKuid, KUID(5, 6, 0));
    EXPECT_EQ(record.regionList, "DE");
    EXPECT_EQ(record.eraList, "1950");
    EXPECT_EQ(record.diskSize, 0);  // built-in
    EXPECT_FLOAT_EQ(record.build, 3.505f);
    EXPECT_TRUE(record.flags & kFlagDyebox);
    EXPECT_FALSE(record.flags & kFlagArchiveKnown);
    EXPECT_FALSE(record.permissions & kPermitCommit);  // location base
    EXPECT_EQ(record.searchText, "My Session;acme;rail;");

    // category-keyword wins over company; no SS, no map KUID; no KUID, no fill.
    VLXAssetRecord other;
    ASSERT_TRUE(VLXFillRecordFromConfig(
        Config("kuid <kuid:1:9>\nkind scenery\ncategory-keyword \"a;b\"\ncompany X\nmap-kuid <kuid:5:6>\n"), other,
        true, "/nonexistent"));
    EXPECT_EQ(other.keywords, "a;b");
    EXPECT_TRUE(other.mapKuid.IsNull());
    EXPECT_EQ(other.diskSize, -1);  // no copy at all

    VLXAssetRecord rejected;
    EXPECT_FALSE(VLXFillRecordFromConfig(Config("kind scenery\n"), rejected, true, "/nonexistent"));
    EXPECT_FALSE(VLXFillRecordFromConfig(Config("kuid junk\n"), rejected, true, "/nonexistent"));
    EXPECT_FALSE(VLXFillRecordFromConfig(SoupRef{}, rejected, false, "/nonexistent"));
    EXPECT_TRUE(VLXFillRecordFromConfig(Config("kind scenery\n"), rejected, false, "/nonexistent"));
}

} // namespace
