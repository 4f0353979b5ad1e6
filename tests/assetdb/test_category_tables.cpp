// Category expressions, kind/legacy/name tables, region codes and the case-folding table.
#include "assetdb/CaseFolding.h"
#include "assetdb/CategoryClass.h"
#include "assetdb/CategoryExpression.h"
#include "assetdb/KindTables.h"
#include "assetdb/RegionTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

struct ExpressionCase {
    const char* expression;
    const char* codes;
    bool matches;
};

TEST(CategoryExpression, MatchesCodeLists)
{
    const ExpressionCase cases[] = {
        {"BD;-ACTV", "BD;MESH", true},
        {"BD;-ACTV", "BD;ACTV", false},
        {"ACTV", "ACTVX", false},            // codes are compared whole
        {"ACTV", "BD;IND;ACTV;FIXD", true},
        {"|XX", "BD", true},                 // a leading empty alternative matches everything
        {"XX||YY", "BD", true},
        {"XX|", "BD", false},                // a trailing "|" adds no alternative
        {"XX|", "XX", true},
        {"", "BD", true},
        {"", "", true},
        {"bd", "BD", false},                 // case matters
        {"CMP;MESH|BD;-ACTV|VE|SCEN", "CMP;MESH", true},
        {"CMP;MESH|BD;-ACTV|VE|SCEN", "CMP;TX", false},
        {"CMP;MESH|BD;-ACTV|VE|SCEN", "SY;SCEN", true},
        {"CMP;MESH|BD;-ACTV|VE|SCEN", "BD;IND;ACTV", false},
        {"TR;;;TV", "TR;TV;LOCO", true},     // runs of ";" count as one
        {"-", "BD", true},                   // the negation of an empty term
        {"--BD", "BD", true},
        {"road;road", "road;road", true},
        {"track", ";track", true},           // a type text with an empty first entry
        {"-XX", "", true},
        {"XX", "", false},
        {"--|XX", "BD", false},              // an alternative that can never match
        {"--|BD", "BD", true},
        {"-;BD", "BD", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VLXMatchCategories(c.expression, c.codes), c.matches) << c.expression << " on " << c.codes;
        EXPECT_EQ(VLXCategoryMatcher(c.expression).Matches(c.codes), c.matches)
            << "parsed once: " << c.expression << " on " << c.codes;
    }
    // An expression asking for more codes than the matcher notes in one pass.
    std::string many, manyTerms;
    for (int i = 0; i < 70; ++i) {
        many += "C" + std::to_string(i) + ";";
        manyTerms += "C" + std::to_string(i) + ";";
    }
    EXPECT_TRUE(VLXCategoryMatcher(manyTerms + "-C70").Matches(many));
    EXPECT_FALSE(VLXCategoryMatcher(manyTerms + "C70").Matches(many));
    EXPECT_TRUE(VLXCategoryMatcher("C39;-C70").Matches(many));
}

TEST(CategoryExpression, HasCategoryAndKeywords)
{
    EXPECT_TRUE(VLXHasCategory("TR;TV;LOCO", "TV"));
    EXPECT_TRUE(VLXHasCategory("TR;TV;LOCO", "LOCO;XX"));  // the term ends at ";"
    EXPECT_TRUE(VLXHasCategory("TR;TV;LOCO", "TR|XX"));    // ... and at "|"
    EXPECT_FALSE(VLXHasCategory("TR;TV;LOCO", "LOC"));
    EXPECT_FALSE(VLXHasCategory("TR;;TV", ""));
    EXPECT_FALSE(VLXHasCategory("TR;;TV", "|TR"));

    struct {
        const char* text;
        const char* expression;
        bool matches;
    } const keywordCases[] = {
        {"Big box car;acme;locomotive", "box", true},
        {"Big box car;acme;locomotive", "Box", false},  // case matters
        {"Big box car;acme;locomotive", "box;acme", true},
        {"Big box car;acme;locomotive", "box;zeta", false},
        {"Big box car;acme;locomotive", "zeta|loco", true},
        {"Big box car;acme;locomotive", "", false},
        {"Big box car;acme;locomotive", ";;", false},
        {"Big box car;acme;locomotive", "zeta|", false},
        {"", "a", false},
    };
    for (const auto& c : keywordCases)
        EXPECT_EQ(VLXMatchKeywords(c.text, c.expression), c.matches) << c.expression;
}

TEST(KindTables, KindCodesForKindAndTypeText)
{
    const struct {
        const char* kind;
        const char* typeText;
        const char* codes;
    } cases[] = {
        {"bridge", "road;road", "SPLN;BRG"},
        {"bridge", "road;tunnels", "SPLN;TUN"},   // first match wins over "road"
        {"bridge", ";track", "TK"},
        {"bridge", "", "SPLN;BRG"},
        {"track", ";road", "SPLN"},
        {"track", "rails", "TK"},
        {"scenery", ";trackside", "TO"},
        {"scenery", "", "SY;SCEN"},
        {"traincar", ";tender", "TR;TV;TEND"},
        {"traincar", ";locomotive", "TR;TV;LOCO"},
        {"traincar", ";rollingstock", "TR;TV;ROLL"},
        {"traincar", "", "TR;TV"},
        {"TRAINCAR", "", ""},                     // kinds arrive folded; the table compares exactly
        {"nosuchkind", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VLXKindCodes(c.kind, c.typeText), c.codes) << c.kind << " / " << c.typeText;
}

TEST(KindTables, KindForCodesAndCategoryNames)
{
    EXPECT_EQ(VLXKindForCodes("TR;TV;LOC;ELEC"), "traincar");
    EXPECT_EQ(VLXKindForCodes("TO;SIG"), "scenery");         // row scenery/trackside "TO"
    EXPECT_EQ(VLXKindForCodes("BD;IND;ACTV"), "");           // industry needs FIXD too
    EXPECT_EQ(VLXKindForCodes("TK;RLS"), "bridge");          // bridge rows come before track
    EXPECT_EQ(VLXKindForCodes("FL;SCEN"), "");
    EXPECT_EQ(VLXKindForCodes(""), "");

    EXPECT_EQ(VLXCategoryName("TX;ENV;GRND"), "textureenv"); // priority 1 beats TX (0)
    EXPECT_EQ(VLXCategoryName("CMP;TX"), "texturenonenv");
    EXPECT_EQ(VLXCategoryName("BD;IND;ACTV;FIXD"), "building");
    EXPECT_EQ(VLXCategoryName("TR;TV;LOCO"), "train");
    EXPECT_EQ(VLXCategoryName("CMP;MESH"), "mesh");
    EXPECT_EQ(VLXCategoryName("TO;SY"), "trackobjects");     // first row on a tie
    EXPECT_EQ(VLXCategoryName("SLIB"), "misc");
    EXPECT_EQ(VLXCategoryName(""), "misc");
}

TEST(KindTables, LegacyClassLookUp)
{
    const struct {
        const char* kind;
        const char* cls;
        const char* codes;
    } cases[] = {
        {"traincar", "AS", "TR;TV;TDR"},
        {"traincar", "as", "TR;TV;TDR"},       // class ignores case
        {"TrainCar", "AA", "TR;TV;LOC;ELEC"},  // so does the kind
        {"scenery", "AS", ""},                 // wrong kind
        {"", "AS", "TR;TV;TDR"},               // an asset without kind takes the first row
        {"scenery", "FT", "FL;SCEN"},          // (any) kind
        {"texture-group", "JO", "TX;NEV"},
        {"spline", "SP", "RD;SPLN"},           // the earlier SP row belongs to track
        {"track", "SP", "SY;SPLN"},
        {"bridge", "TR", "TK;RLS"},
        {"", "TR", "TK;RLS"},
        {"traincar", "XGT", "TR;TV;FRT;HOPP"},
        {"traincar", "ZZ", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VLXLegacyCategoryCodes(c.kind, c.cls), c.codes) << c.kind << " / " << c.cls;
}

TEST(RegionTable, RowsAndCodes)
{
    const auto table = VLXRegionTable();
    ASSERT_EQ(table.size(), 264u);
    std::set<std::string_view> countryCodes;
    for (size_t i = 0; i < 244; ++i) {
        EXPECT_EQ(table[i].code.size(), 2u);
        EXPECT_TRUE(countryCodes.insert(table[i].code).second) << table[i].code;
    }
    EXPECT_EQ(table[243].code, "ZW");
    EXPECT_EQ(table[244].name, "Generic");

    const struct {
        const char* text;
        const char* code;
    } cases[] = {
        {"gb", "GB"},             {"GB", "GB"},            {"00", "00"},
        {"United Kingdom", "UK"}, {"united kingdom", "UK"}, {"Britain", "UK"},
        {"Australia", "AU"},      {"AUS", "AU"},            {"Tanzania", "TZ"},
        {"Tonga", "TO"},          {"us  ", "US"},           {"Generic", "00"},
        {"Swiss_Alps", "CH"},     {"Atlantis", ""},         {"", ""},
        {"<none>", ""},           {"  us", ""},             {"Côte", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VLXRegionCode(c.text), c.code) << c.text;

    EXPECT_TRUE(VLXStartsWithRegionCode("AU|NZ"));
    EXPECT_TRUE(VLXStartsWithRegionCode("00"));
    EXPECT_FALSE(VLXStartsWithRegionCode("au"));
    EXPECT_FALSE(VLXStartsWithRegionCode("A"));
    EXPECT_FALSE(VLXStartsWithRegionCode("Australia"));
}

TEST(CaseFolding, AsciiAndLatin1Letters)
{
    EXPECT_EQ(VLXFoldUpper("abc xyz 09_"), "ABC XYZ 09_");
    EXPECT_EQ(VLXFoldLower("ÀÉÎÕÜÞ"), "àéîõüþ");
    EXPECT_EQ(VLXFoldUpper("àéîõüþ"), "ÀÉÎÕÜÞ");
    EXPECT_EQ(VLXFoldUpper("×÷ßÿ"), "×÷ßÿ");        // no partner inside Latin-1
    EXPECT_EQ(VLXFoldLower("Ǆ Ω"), "Ǆ Ω");          // outside the table: unchanged
    EXPECT_EQ(VLXFoldUpper(std::string("\x80\xC3", 2)), std::string("\x80\xC3", 2));

    EXPECT_TRUE(VLXEqualsFolded("Big Box Ärger", "big box ärger"));
    EXPECT_FALSE(VLXEqualsFolded("box", "boxes"));
    EXPECT_TRUE(VLXContainsFolded("Big box car", "BOX"));
    EXPECT_TRUE(VLXContainsFolded("Großes Öl", "öL"));
    EXPECT_TRUE(VLXContainsFolded("anything", ""));
    EXPECT_FALSE(VLXContainsFolded("box", "boxes"));

    EXPECT_LT(VLXCompareFolded("apple", "Banana"), 0);
    EXPECT_GT(VLXCompareFolded("Zebra", "apple"), 0);
    EXPECT_EQ(VLXCompareFolded("ÄPFEL", "äpfel"), 0);
    EXPECT_LT(VLXCompareFolded("box", "Box car"), 0);
    // "[" lies between the capitals and the small letters; folded, every letter sorts after it.
    EXPECT_LT(VLXCompareFolded("[x]", "Apple"), 0);
}

} // namespace
