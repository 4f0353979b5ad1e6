// Soup values: converters, typed getters and setters, copies, and large containers.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "SoupTestUtil.h"
#include "soup/ACSConverter.h"
#include "soup/TDBContainerTag.h"
#include "soup/TDBDataTag.h"

namespace {

RawValue Ints(std::initializer_list<int32_t> v) { return ACSRawDataCore::Copy(std::data(v), v.size() * 4); }
RawValue Floats(std::initializer_list<float> v) { return ACSRawDataCore::Copy(std::data(v), v.size() * 4); }
RawValue Text(std::string_view t) { return ACSRawDataCore::FromText(t); }
RawValue KuidValue(KUID k)
{
    auto p = k.Pack();
    return ACSRawDataCore::Copy(p.data(), p.size());
}
std::string AsText(const RawValue& v) { return v ? std::string(TextOfValue(v)) : std::string("<none>"); }

TEST(SoupValues, NumericText)
{
    struct {
        const char* text;
        bool numeric;
    } cases[] = {
        {"5", true},     {"-5", true},        {"1.5", true},   {"1.5e+3", true}, {"1.5e-3", true},
        {"2.5  \t", true}, {".", true},       {"-", false},    {"", false},      {"1e+3", false},
        {"1,2", false},  {"0x10", false},     {"1.5e+", false}, {"1.5e3", false}, {"1.2.3", false},
        {" 5", false},   {"5a", false},       {"1.5e+3x", false}, {"- ", true},  {"--5", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsNumericText(c.text), c.numeric) << '"' << c.text << '"';
}

// The text readers promise C's "%d" and "%f"; compare with the C library itself.
TEST(SoupValues, ScansMatchTheCLibrary)
{
    const char* texts[] = {
        "0", "5", "-5", "+5", "  7", "12abc", "2.5", "-2.5", ".5", "-.5", "5.", "1.2.3", "-", ".", "", "x",
        "2147483647", "2147483648", "-2147483649", "99999999999", "4000000000000000000",
        "9223372036854775807", "9223372036854775808", "-9223372036854775807", "-9223372036854775808",
        "-9223372036854775809", "37000000000000000000", "-37000000000000000000",
        "184467440737095516160", "0.1", "123456789.123", "3.4028236e+38", "1e-46", "0.000000000000000000000000000000000000000000001",
    };
    for (const char* t : texts) {
        int i = 0;
        bool cInt = std::sscanf(t, "%d", &i) == 1;
        auto ours = ScanInt(t);
        EXPECT_EQ(ours.has_value(), cInt) << '"' << t << '"';
        if (ours && cInt) {
            EXPECT_EQ(*ours, i) << '"' << t << '"';
        }
        float f = 0;
        bool cFloat = std::sscanf(t, "%f", &f) == 1;
        auto oursF = ScanFloat(t);
        EXPECT_EQ(oursF.has_value(), cFloat) << '"' << t << '"';
        if (oursF && cFloat) {
            EXPECT_EQ(std::memcmp(&*oursF, &f, 4), 0) << '"' << t << '"';
        }
    }
}

TEST(SoupValues, ConvertValue)
{
    struct {
        const char* what;
        ChunkKind from;
        RawValue value;
        ChunkKind to;
        std::string expected;  // as text, "<none>" for no value
    } cases[] = {
        {"ints to text", ChunkKind::Integer, Ints({1, -2, 3}), ChunkKind::Text, "1,-2,3"},
        {"floats to text", ChunkKind::Float, Floats({2.0f, 1.5f, 1e10f, 0.1f}), ChunkKind::Text, "2,1.5,1e+10,0.1"},
        {"short float", ChunkKind::Float, ACSRawDataCore::Copy("\0\0", 2), ChunkKind::Text, "<none>"},
        {"no ints", ChunkKind::Integer, ACSRawDataCore::Create(0), ChunkKind::Text, "<none>"},
        {"kuid to text", ChunkKind::KUID, KuidValue(KUID(5, 7, 2)), ChunkKind::Text, "<kuid2:5:7:2>"},
        {"short kuid", ChunkKind::KUID, Ints({1}), ChunkKind::Text, "<NULL>"},
        {"binary", ChunkKind::Binary, Ints({1}), ChunkKind::Text, "<none>"},
        {"null", ChunkKind::Null, Ints({1}), ChunkKind::Text, "<none>"},
        {"same kind", ChunkKind::Binary, Text("x"), ChunkKind::Binary, "x"},
        {"text to binary", ChunkKind::Text, Text("x"), ChunkKind::Binary, "<none>"},
    };
    for (auto& c : cases) EXPECT_EQ(AsText(ConvertValue(c.from, c.value, c.to)), c.expected) << c.what;

    auto asInt = [](ChunkKind from, RawValue v) -> std::string {
        RawValue r = ConvertValue(from, v, ChunkKind::Integer);
        if (!r) return "<none>";
        if (r->Size() != 4) return "size " + std::to_string(r->Size());
        int32_t i;
        std::memcpy(&i, r->Data(), 4);
        return std::to_string(i);
    };
    EXPECT_EQ(asInt(ChunkKind::Float, Floats({2.5f})), "2");       // through the text 2.5
    EXPECT_EQ(asInt(ChunkKind::Float, Floats({-2.5f})), "-2");
    EXPECT_EQ(asInt(ChunkKind::Float, Floats({1e10f})), "<none>");  // 1e+10 is not numeric
    EXPECT_EQ(asInt(ChunkKind::Text, Text("12abc")), "<none>");
    EXPECT_EQ(asInt(ChunkKind::Text, Text("99999999999")), "1215752191");  // %d keeps the low 32 bits
    EXPECT_EQ(asInt(ChunkKind::KUID, KuidValue(KUID(5, 7, 0))), "<none>");
    // A text of two or more integers converts to one Integer value anyway.
    EXPECT_EQ(asInt(ChunkKind::Integer, Ints({1, 2})), "size 8");
}

TEST(SoupValues, TypedGetters)
{
    SoupRef soup;
    soup.EnsureContainer();
    soup->AddChild("f", CreateMemoryChunk(ChunkKind::Float, Floats({2.5f})));
    soup->AddChild("i", CreateMemoryChunk(ChunkKind::Integer, Ints({5})));
    soup->AddChild("list", CreateMemoryChunk(ChunkKind::Integer, Ints({1, 2})));
    soup->AddChild("k", CreateMemoryChunk(ChunkKind::KUID, KuidValue(KUID(1, 2, 0))));
    soup->AddChild("t", CreateMemoryChunk(ChunkKind::Text, Text("7")));
    soup->AddChild("kt", CreateMemoryChunk(ChunkKind::Text, Text("<kuid:3:4>")));
    soup->AddChild("n", CreateMemoryChunk(ChunkKind::Null, {}));
    soup->AddChild("c", CreateMemoryChunk(ChunkKind::Container, {}));
    soup->AddChild("b", CreateMemoryChunk(ChunkKind::Binary, Ints({1})));

    EXPECT_EQ(soup.GetInt("f", -1), 2);
    EXPECT_FLOAT_EQ(soup.GetFloat("i", -1), 5.0f);
    EXPECT_EQ(soup.GetInt("list", -1), -1);
    EXPECT_EQ(soup.GetInt("k", -1), -1);
    EXPECT_EQ(soup.GetString("k"), "<kuid:1:2>");
    EXPECT_EQ(soup.GetInt("t", -1), 7);
    EXPECT_EQ(soup.GetKUID("kt"), KUID(3, 4, 0));
    EXPECT_EQ(soup.GetKUID("t"), KUID(-1, 7, 127));  // a bare number reads as a content id
    EXPECT_EQ(soup.GetKUID("i"), KUID(-1, 5, 127));  // through the text 5
    EXPECT_EQ(soup.GetKUID("f"), KUID::Null);
    EXPECT_EQ(soup.GetString("missing"), "");
    EXPECT_EQ(soup.GetString("c"), "");
    EXPECT_EQ(soup.GetString("b"), "");
    EXPECT_EQ(soup.GetInt("b", 9), 9);
    EXPECT_TRUE(soup.GetBool("i", false));
    EXPECT_TRUE(soup.GetBool("missing", true));
    EXPECT_TRUE(soup.HasTag("c"));
    EXPECT_FALSE(soup.HasTag("n"));
    EXPECT_FALSE(soup.HasTag("missing"));
    EXPECT_TRUE(soup.GetContainer("c"));
    EXPECT_FALSE(soup.GetContainer("i"));
    EXPECT_TRUE(soup.GetFloatList("list").empty());  // the text 1,2 is not a number
    soup->AddChild("fl", CreateMemoryChunk(ChunkKind::Float, Floats({1.0f, 2.0f})));
    EXPECT_EQ(soup.GetFloatList("fl"), (std::vector<float>{1.0f, 2.0f}));
    EXPECT_EQ(soup.GetTagName(99).view(), "");

    SoupRef empty;
    EXPECT_EQ(empty.GetInt("x", 3), 3);
    EXPECT_EQ(empty.GetTagCount(), 0u);
    EXPECT_TRUE(empty.GetTag("x")->IsNullChunk());
}

TEST(SoupValues, SettersReplaceByNameAndMoveToTheEnd)
{
    SoupRef soup;
    soup.SetInt("a", 1);
    soup.SetString("b", "x");
    soup.SetInt("a", 2);
    EXPECT_EQ(Dump(soup), "b 4 7800\na 6 02000000\n");

    soup.SetString("e", "");
    EXPECT_EQ(soup.GetTag("e")->GetKind(), ChunkKind::Text);
    EXPECT_EQ(soup.GetTag("e")->GetDataSize(), 0u);
    soup.SetBool("flag", true);
    EXPECT_EQ(soup.GetInt("flag", 0), 1);
    soup.SetNull("a");
    EXPECT_EQ(soup.GetTag("a")->GetKind(), ChunkKind::Null);
    float list[] = {1.0f, 2.0f};
    soup.SetFloatList("l", list);
    EXPECT_EQ(soup.GetTag("l")->GetDataSize(), 8u);
    soup.SetFloatList("l", {});
    EXPECT_TRUE(soup.GetTag("l")->IsNullChunk());

    SoupRef child;
    soup.SetContainer("c", child);
    ASSERT_TRUE(child);
    child.SetInt("inner", 3);  // shared, not copied
    EXPECT_EQ(soup.GetContainer("c").GetInt("inner", 0), 3);
}

TEST(SoupValues, CopyFromIsDeepAndKeepsOrder)
{
    SoupRef source;
    source.SetInt("z", 1);
    source.SetString("a", "text");
    SoupRef inner;
    inner.SetFloat("f", 1.5f);
    source.SetContainer("c", inner);

    SoupRef copy;
    copy.SetInt("old", 1);
    copy.CopyFrom(source);
    const std::string before = Dump(source);
    EXPECT_EQ(Dump(copy), before);
    inner.SetInt("later", 1);
    EXPECT_FALSE(copy.GetContainer("c").HasTag("later"));
    EXPECT_NE(copy.GetContainer("c").Get(), inner.Get());

    copy.CopyFrom(copy);  // copying a soup onto itself keeps its content
    EXPECT_EQ(Dump(copy), before);
    SoupRef none;
    copy.CopyFrom(none);
    EXPECT_TRUE(copy);
    EXPECT_EQ(copy.GetTagCount(), 0u);
}

TEST(SoupValues, SortAndSwapChildren)
{
    TDBContainerTag c;
    ChunkRef one = CreateMemoryChunk(ChunkKind::Integer, Ints({1}));
    ChunkRef two = CreateMemoryChunk(ChunkKind::Integer, Ints({2}));
    ChunkRef three = CreateMemoryChunk(ChunkKind::Integer, Ints({3}));
    c.AddChild("b", one);
    c.AddChild("\xC3\xA9", two);  // bytes above 0x7F sort after ASCII
    c.AddChild("a", three);
    c.SortChildren();
    EXPECT_EQ(c.GetChildName(0).view(), "a");
    EXPECT_EQ(c.GetChildName(1).view(), "b");
    EXPECT_EQ(c.GetChildName(2).view(), "\xC3\xA9");
    c.SwapChildren(three.Get(), two.Get());
    EXPECT_EQ(c.GetChildName(0).view(), "a");
    EXPECT_EQ(c.GetChildAt(0), two);
    EXPECT_EQ(c.GetChildAt(2), three);
    c.SwapChildren(three.Get(), three.Get());
    EXPECT_EQ(c.GetChildAt(2), three);
}

// Large containers keep a name index; its results must match a plain scan through every edit.
TEST(SoupValues, LargeContainerIndexMatchesOrderAfterEdits)
{
    SoupRef soup;
    const int n = 3000;
    for (int i = 0; i < n; ++i) soup.SetInt("t" + std::to_string(i % 1000), i);  // repeats replace
    EXPECT_EQ(soup.GetTagCount(), 1000u);
    EXPECT_EQ(soup.GetInt("t5", -1), 2005);
    EXPECT_EQ(soup.GetTagName(0).view(), "t0");
    EXPECT_EQ(soup.GetTagName(999).view(), "t999");

    // Repeated names added directly: lookups find the first live one.
    for (int i = 0; i < 3; ++i) soup->AddChild("dup", CreateMemoryChunk(ChunkKind::Integer, Ints({i})));
    EXPECT_EQ(soup.GetInt("dup", -1), 0);
    soup.RemoveTag("dup");
    EXPECT_EQ(soup.GetInt("dup", -1), 1);
    soup.SetInt("dup", 9);  // replaces the first of the remaining two
    EXPECT_EQ(soup.GetInt("dup", -1), 2);
    EXPECT_EQ(soup.GetTagCount(), 1002u);
    EXPECT_EQ(soup.GetTagName(1000).view(), "dup");
    EXPECT_EQ(soup.GetTagName(1001).view(), "dup");
    EXPECT_EQ(soup->GetChildAt(1001)->GetBytes()[0], 9);
    for (int i = 0; i < 1000; i += 2) soup.RemoveTag("t" + std::to_string(i));
    EXPECT_EQ(soup.GetTagCount(), 502u);
    EXPECT_EQ(soup.GetTagName(0).view(), "t1");
    EXPECT_EQ(soup.GetInt("t999", -1), 2999);
    EXPECT_FALSE(soup.HasTag("t998"));
}

}  // namespace
