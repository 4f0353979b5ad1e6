// KUID parsing (strict and lenient), validity, text forms and binary forms.
#include "core/KUID.h"
#include "soup/Stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <unordered_set>
#include <vector>

namespace {

struct ParseCase {
    const char* text;
    KUID strict;
    KUID lenient;
};

const KUID N = KUID::Null;

const ParseCase kParseCases[] = {
    // tagged forms, letters of the words in any case
    {"<kuid:123:456>", {123, 456, 0}, {123, 456, 0}},
    {"<KUID2:123:456:3>", {123, 456, 3}, {123, 456, 3}},
    {"<KuId:7:8>", {7, 8, 0}, {7, 8, 0}},
    {"kuid:123:456", {123, 456, 0}, {123, 456, 0}},
    {"KUID2:1:2:3", {1, 2, 3}, {1, 2, 3}},
    {"<NULL>", N, N},
    {"<null>", N, N},
    // negative user numbers exist only in the unversioned form
    {"<kuid:-3:100>", {-3, 100, 127}, {-3, 100, 127}},
    {"<kuid2:-3:100:1>", N, N},
    {"kuid2:-3:100:1", N, N},
    {"<kuid:-33554432:1>", {-33554432, 1, 127}, {-33554432, 1, 127}},
    {"<kuid:-33554433:1>", N, N},
    // range limits of the validity rule
    {"<kuid2:123:456:128>", N, N},
    {"<kuid2:123:456:127>", {123, 456, 127}, {123, 456, 127}},
    {"<kuid2:33554432:1:0>", N, N},
    {"<kuid2:33554431:1:0>", {33554431, 1, 0}, {33554431, 1, 0}},
    {"<kuid:33554432:1>", N, N},
    {"<kuid:0:-5>", N, {0, -5, 0}},
    // strict shape checks; lenient reads like %d and ignores what follows
    {"<kuid:12a:4>", N, {12, -1, 0}},
    {"<kuid:1:2", N, {1, 2, 0}},
    {"<kuid:1:2>junk", N, {1, 2, 0}},
    {"<kuid:5>", N, {5, -1, 0}},
    {"<kuid: 5:6>", N, {5, 6, 0}},
    {"<kuid:+5:6>", N, {5, 6, 0}},
    {"<kuid:5: 6>", N, {5, 6, 0}},
    {"<kuid:5 :6>", N, {5, -1, 0}},
    {"<kuid::6>", N, N},
    {"<kuid2:1:2>", N, {1, 2, 127}},
    {"<kuid2:1:2:3", N, {1, 2, 3}},
    {"<kuid2:1:-2:3>", N, {1, -2, 3}},
    {"<kuid2:1:2:-3>", N, N},
    {" <kuid:1:2>", N, N},
    // without the bracket only the first number and its colon are checked
    {"kuid:12:abc", {12, -1, 0}, {12, -1, 0}},
    {"kuid:12", N, {12, -1, 0}},
    {"kuid2:1:2:x", {1, 2, 127}, {1, 2, 127}},
    // values beyond 32 bits wrap modulo 2^32 as C's %d does
    {"<kuid:1:4294967297>", {1, 1, 0}, {1, 1, 0}},
    {"<kuid:4294967296:3>", {0, 3, 0}, {0, 3, 0}},
    {"<kuid:1:2147483648>", {1, INT32_MIN, 0}, {1, INT32_MIN, 0}},
    // bare forms, lenient only
    {"123:456", N, {123, 456, 0}},
    {"<123:456>", N, {123, 456, 0}},
    {"<123:456", N, {123, 456, 0}},
    {"<123:456>>", N, N},
    {"-5:7", N, {-5, 7, 127}},
    {"1:2:3", N, N},
    {"789", N, {-1, 789, 127}},
    {"-789", N, {-1, -789, 127}},
    {"", N, N},
    {"-", N, N},
    {":", N, N},
    {"1-2:3", N, {1, -1, 0}},
    {"kuid 1 2", N, N},
    {"kuid2 1 2 3", N, N},
    {"+5", N, N},
    {"garbage", N, N},
};

TEST(KuidTest, ParsesEveryFormInBothModes)
{
    for (const ParseCase& c : kParseCases) {
        EXPECT_EQ(KUID::Parse(c.text, true), c.strict) << "strict: " << c.text;
        EXPECT_EQ(KUID::Parse(c.text, false), c.lenient) << "lenient: " << c.text;
    }
    EXPECT_EQ(KUID::Parse(static_cast<const char*>(nullptr), false), KUID::Null);
    EXPECT_EQ(KUID::Parse(std::string_view("<kuid:1:2>\0junk", 15), true), KUID(1, 2, 0)) << "ends at NUL";
    EXPECT_EQ(KUID::Parse(std::string_view("<kuid:1:2\0>", 11), false), KUID(1, 2, 0));
}

TEST(KuidTest, TextFormsAndRoundTrip)
{
    struct Case {
        KUID kuid;
        const char* tag;
        const char* spaced;
    };
    const Case cases[] = {
        {KUID::Null, "<NULL>", "NULLKUID"},
        {{5, 7, 0}, "<kuid:5:7>", "kuid 5 7"},
        {{5, 7, 2}, "<kuid2:5:7:2>", "kuid2 5 7 2"},
        {{-3, 100, 127}, "<kuid:-3:100>", "kuid -3 100"},
        {{-1, 789, 127}, "<kuid:-1:789>", "kuid -1 789"},
        {{5, 7, 127}, "<kuid2:5:7:127>", "kuid2 5 7 127"},
        {{-1, -1, 0}, "<kuid2:-1:-1:0>", "kuid2 -1 -1 0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.kuid.ToTagText(), c.tag);
        EXPECT_EQ(c.kuid.ToSpacedText(), c.spaced);
        if (c.kuid.IsValid()) {
            EXPECT_EQ(KUID::Parse(c.kuid.ToTagText(), false), c.kuid) << c.tag;
        }
        EXPECT_EQ(KUID::Parse(c.kuid.ToSpacedText(), false), KUID::Null) << c.spaced;
    }
    EXPECT_TRUE(KUID().IsNull());
    EXPECT_FALSE(KUID(-1, -1, 0).IsNull());
}

TEST(KuidTest, PackAndStreamForms)
{
    struct Case {
        KUID kuid;
        uint32_t word;
        KUID unpacked;
    };
    const Case cases[] = {
        {{5, 7, 2}, 0x04000005u, {5, 7, 2}},
        {{-3, 100, 127}, 0xFFFFFFFDu, {-3, 100, 127}},
        {KUID::Null, 0xFFFFFFFFu, KUID::Null},
        {{20000000, 1, 0}, 0x01312D00u, {-13554432, 1, 0}},
        {{16777215, 9, 127}, 0xFEFFFFFFu, {16777215, 9, 127}},
        {{-16777216, 9, 127}, 0xFF000000u, {-16777216, 9, 127}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.kuid.PackedWord(), c.word) << c.kuid.ToTagText();
        auto soup = c.kuid.Pack();
        uint32_t c32 = uint32_t(c.kuid.contentId);
        std::array<uint8_t, 8> soupWant = {uint8_t(c.word), uint8_t(c.word >> 8), uint8_t(c.word >> 16),
                                           uint8_t(c.word >> 24), uint8_t(c32), uint8_t(c32 >> 8),
                                           uint8_t(c32 >> 16), uint8_t(c32 >> 24)};
        EXPECT_EQ(soup, soupWant);
        EXPECT_EQ(KUID::Unpack(soup), c.unpacked);
        auto stream = c.kuid.ToStreamBytes();
        std::array<uint8_t, 8> streamWant = {soupWant[4], soupWant[5], soupWant[6], soupWant[7],
                                             soupWant[0], soupWant[1], soupWant[2], soupWant[3]};
        EXPECT_EQ(stream, streamWant);
        EXPECT_EQ(KUID::FromStreamBytes(stream), c.unpacked);
    }
    // Through a byte stream: the stream form back to back, then a short read.
    std::vector<uint8_t> bytes;
    TBuffer out(&bytes);
    for (const Case& c : cases)
        ASSERT_TRUE(c.kuid.WriteToStream(out));
    ASSERT_EQ(bytes.size(), 8 * std::size(cases));
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 8, cases[0].kuid.ToStreamBytes().begin()));
    TBuffer in(std::span<const uint8_t>(bytes.data(), bytes.size() - 1));
    for (size_t i = 0; i + 1 < std::size(cases); ++i)
        EXPECT_EQ(KUID::ReadFromStream(in), cases[i].unpacked);
    EXPECT_EQ(KUID::ReadFromStream(in), KUID::Null) << "seven bytes left";
    const uint8_t seven[7] = {};
    const uint8_t nine[9] = {};
    EXPECT_EQ(KUID::Unpack(std::span<const uint8_t>(seven)), KUID::Null);
    EXPECT_EQ(KUID::Unpack(std::span<const uint8_t>(nine)), KUID::Null);
    EXPECT_EQ(KUID::FromStreamBytes(std::span<const uint8_t>(seven)), KUID::Null);
}

TEST(KuidTest, OrderAndHashAgreeWithEquality)
{
    std::vector<KUID> v = {{1, 2, 0}, {1, 2, 1}, {1, 3, 0}, {2, 0, 0}, {-1, 5, 127}, KUID::Null};
    std::unordered_set<KUID> set(v.begin(), v.end());
    EXPECT_EQ(set.size(), v.size());
    EXPECT_EQ(set.count(KUID(1, 2, 1)), 1u);
    for (size_t i = 0; i < v.size(); ++i)
        for (size_t j = 0; j < v.size(); ++j) {
            bool eq = v[i] == v[j];
            EXPECT_EQ(eq, i == j);
            EXPECT_EQ(v[i] < v[j] || v[j] < v[i], !eq);
        }
}

} // namespace
