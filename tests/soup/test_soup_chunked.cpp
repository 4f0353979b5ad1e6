// Chunked soup format: the worked layout, what the reader accepts and rejects, view edits, the writer.
#include <gtest/gtest.h>

#include <cstring>

#include "SoupTestUtil.h"
#include "soup/ChunkedSoup.h"
#include "soup/TDBContainerTag.h"

namespace {

// Root children kuid = (5, 7, 0), name = "ab", and a container x holding n = 1.
const std::vector<uint8_t> kWorkedLayout = {
    0x41, 0x43, 0x53, 0x24, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x35, 0x00, 0x00, 0x00,
    0x0F, 0x00, 0x00, 0x00, 0x05, 0x6B, 0x75, 0x69, 0x64, 0x00, 0x0D, 0x05, 0x00, 0x00, 0x00, 0x07,
    0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x05, 0x6E, 0x61, 0x6D, 0x65, 0x00, 0x03, 0x61, 0x62,
    0x00, 0x10, 0x00, 0x00, 0x00, 0x02, 0x78, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x02, 0x6E, 0x00,
    0x01, 0x01, 0x00, 0x00, 0x00};

// Builds a file from a body given as records.
struct Body {
    std::vector<uint8_t> bytes;
    Body& Record(const std::string& name, uint8_t type, std::vector<uint8_t> payload, bool unnamed = false)
    {
        uint32_t nameLength = unnamed ? 0 : uint32_t(name.size() + 1);
        uint32_t length = nameLength + 2 + uint32_t(payload.size());
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(length >> (8 * i)));
        bytes.push_back(uint8_t(nameLength));
        if (!unnamed) {
            bytes.insert(bytes.end(), name.begin(), name.end());
            bytes.push_back(0);
        }
        bytes.push_back(type);
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        return *this;
    }
    std::vector<uint8_t> File(uint32_t version = 1) const
    {
        std::vector<uint8_t> file = {'A', 'C', 'S', '$'};
        for (uint32_t v : {version, 0u, uint32_t(bytes.size())})
            for (int i = 0; i < 4; ++i) file.push_back(uint8_t(v >> (8 * i)));
        file.insert(file.end(), bytes.begin(), bytes.end());
        return file;
    }
};

SoupRef Read(const std::vector<uint8_t>& file)
{
    ChunkRef root = ReadChunkedSoup(file);
    return root->IsNullChunk() ? SoupRef() : SoupRef(root);
}

TEST(ChunkedSoup, WorkedLayoutReadsAndWritesBackByteForByte)
{
    SoupRef soup = Read(kWorkedLayout);
    ASSERT_TRUE(soup);
    EXPECT_EQ(soup.GetTagCount(), 3u);
    EXPECT_EQ(soup.GetKUID("kuid"), KUID(5, 7, 0));
    EXPECT_EQ(soup.GetString("name"), "ab");
    EXPECT_EQ(soup.GetContainer("x").GetInt("n", 0), 1);
    EXPECT_EQ(WriteChunkedSoup(*soup.Get()), kWorkedLayout);

    // The same tree built in memory writes the same bytes.
    SoupRef built;
    built.SetKUID("kuid", KUID(5, 7, 0));
    built.SetString("name", "ab");
    SoupRef x;
    x.SetInt("n", 1);
    built.SetContainer("x", x);
    EXPECT_EQ(WriteChunkedSoup(*built.Get()), kWorkedLayout);
}

TEST(ChunkedSoup, HeaderAndStructureChecks)
{
    Body body;
    body.Record("a", 1, {1, 0, 0, 0});
    auto withTail = [&](size_t n) {
        Body b = body;
        b.bytes.insert(b.bytes.end(), n, 0xAA);
        return b.File();
    };
    auto overrun = body.File();
    overrun[16] = 0x20;  // record length beyond the body
    auto shortName = body.File();
    shortName[16] = 0x02;  // L < N + 2
    auto truncated = body.File();
    truncated.pop_back();  // body length says more than the file holds
    auto badMagic = body.File();
    badMagic[3] = '%';
    Body nestedBad;
    nestedBad.Record("c", 0, {0x09, 0, 0, 0, 2, 'n', 0, 1, 1, 0, 0, 0});  // inner record overruns
    Body empty;

    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        bool hasRoot;
    } cases[] = {
        {"version 1", body.File(1), true},
        {"version 0", body.File(0), true},
        {"version 2", body.File(2), false},
        {"record overruns body", overrun, false},
        {"record length below name", shortName, false},
        {"file shorter than body length", truncated, false},
        {"bad magic", badMagic, false},
        {"nested record overruns", nestedBad.File(), false},
        {"empty body", empty.File(), false},
        {"header only, cut", std::vector<uint8_t>(kWorkedLayout.begin(), kWorkedLayout.begin() + 12), false},
        {"1 stray byte", withTail(1), true},
        {"5 stray bytes", withTail(5), true},
    };
    for (const auto& c : cases) {
        SoupRef soup = Read(c.file);
        EXPECT_EQ(bool(soup), c.hasRoot) << c.what;
        if (soup && c.hasRoot) {
            EXPECT_EQ(soup.GetInt("a", -1), 1) << c.what;
        }
    }
    // Bytes after the body are ignored.
    auto trailing = body.File();
    trailing.push_back(0x77);
    EXPECT_EQ(Read(trailing).GetInt("a", -1), 1);
}

TEST(ChunkedSoup, TypeCodesGiveKindsAndValues)
{
    Body body;
    body.Record("i", 1, {1, 0, 0, 0, 2, 0, 0, 0})
        .Record("f", 2, {0, 0, 0xC0, 0x3F})
        .Record("s", 3, {'h', 'i', 0})
        .Record("b", 4, {9, 8, 7})
        .Record("z", 5, {1, 2, 3})
        .Record("u", 7, {1, 2})
        .Record("k", 13, {5, 0, 0, 4, 7, 0, 0, 0});
    SoupRef soup = Read(body.File());
    ASSERT_TRUE(soup);
    EXPECT_EQ(Dump(soup),
              "i 6 0100000002000000\n"
              "f 3 0000C03F\n"
              "s 4 686900\n"
              "b 2 090807\n"
              "z 0 \n"
              "u 0 \n"
              "k 7 0500000407000000\n");
    EXPECT_EQ(soup.GetKUID("k"), KUID(5, 7, 2));
    EXPECT_FLOAT_EQ(soup.GetFloat("f", 0), 1.5f);
    // Null and unknown types write back as type 5 without payload.
    Body expected;
    expected.Record("i", 1, {1, 0, 0, 0, 2, 0, 0, 0})
        .Record("f", 2, {0, 0, 0xC0, 0x3F})
        .Record("s", 3, {'h', 'i', 0})
        .Record("b", 4, {9, 8, 7})
        .Record("z", 5, {})
        .Record("u", 5, {})
        .Record("k", 13, {5, 0, 0, 4, 7, 0, 0, 0});
    EXPECT_EQ(WriteChunkedSoup(*soup.Get()), expected.File());
}

TEST(ChunkedSoup, AlignedBinarySkipsPaddingCountedFromBodyStart)
{
    // Record "a": payload starts at body offset 4 + 1 + 2 + 1 = 8, so 8 padding bytes precede the data.
    std::vector<uint8_t> payload = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 1, 2, 3};
    Body body;
    body.Record("a", 12, payload).Record("b", 12, {});
    SoupRef soup = Read(body.File());
    ASSERT_TRUE(soup);
    ChunkRef a = soup.GetTag("a");
    EXPECT_EQ(a->GetKind(), ChunkKind::Binary);
    EXPECT_EQ(Hex(a->GetData(), a->GetDataSize()), "010203");
    EXPECT_EQ(soup.GetTag("b")->GetDataSize(), 0u);  // padding longer than the payload
}

TEST(ChunkedSoup, Version0StringsConvertFromWindows1252)
{
    Body body;
    body.Record("s", 3, {'c', 'a', 'f', 0xE9, 0}).Record("t", 3, {'a', 0});
    SoupRef soup = Read(body.File(0));
    ASSERT_TRUE(soup);
    ChunkRef s = soup.GetTag("s");
    EXPECT_EQ(Hex(s->GetData(), s->GetDataSize()), "636166C3A90000");
    EXPECT_EQ(soup.GetString("s"), "caf\xC3\xA9");
    EXPECT_EQ(Hex(soup.GetTag("t")->GetData(), soup.GetTag("t")->GetDataSize()), "610000");
    // Version 1 keeps the bytes as they are.
    EXPECT_EQ(Read(body.File(1)).GetString("s"), "caf\xE9");
}

TEST(ChunkedSoup, UnnamedTagsStayDistinctFromEmptyNames)
{
    Body body;
    body.Record("", 1, {1, 0, 0, 0}, true).Record("", 1, {2, 0, 0, 0});
    std::vector<uint8_t> file = body.File();
    SoupRef soup = Read(file);
    ASSERT_TRUE(soup);
    EXPECT_TRUE(soup->IsChildUnnamed(0));
    EXPECT_FALSE(soup->IsChildUnnamed(1));
    EXPECT_EQ(WriteChunkedSoup(*soup.Get()), file);
    SoupRef copy;
    copy.CopyFrom(soup);
    EXPECT_EQ(WriteChunkedSoup(*copy.Get()), file);
}

TEST(ChunkedSoup, RepeatedNamesEachWriteTheirOwnTag)
{
    Body body;
    body.Record("file", 3, {'a', 0}).Record("file", 3, {'b', 0}).Record("file", 3, {'c', 0});
    std::vector<uint8_t> file = body.File();
    SoupRef soup = Read(file);
    EXPECT_EQ(WriteChunkedSoup(*soup.Get()), file);
    SoupRef copy;
    copy.CopyFrom(soup);
    EXPECT_EQ(Dump(copy), "file 4 6100\nfile 4 6200\nfile 4 6300\n");
}

TEST(ChunkedSoup, LongNamesAreDroppedOnWriting)
{
    SoupRef soup;
    soup.SetInt("before", 1);
    soup.SetInt(std::string(255, 'n'), 2);
    soup.SetInt(std::string(254, 'm'), 3);
    soup.SetInt("after", 4);
    SoupRef back = Read(WriteChunkedSoup(*soup.Get()));
    EXPECT_EQ(back.GetTagCount(), 3u);
    EXPECT_EQ(back.GetInt("before", 0), 1);
    EXPECT_EQ(back.GetInt(std::string(254, 'm'), 0), 3);
    EXPECT_EQ(back.GetInt("after", 0), 4);
}

TEST(ChunkedSoup, EditsGoToTheOverlay)
{
    SoupRef soup = Read(kWorkedLayout);
    ASSERT_TRUE(soup);
    soup.SetString("name", "new");
    EXPECT_EQ(soup.GetTagCount(), 3u);
    EXPECT_EQ(soup.GetTagName(2).view(), "name");
    EXPECT_EQ(soup.GetString("name"), "new");
    std::vector<uint8_t> written = WriteChunkedSoup(*soup.Get());
    std::string text(written.begin(), written.end());
    EXPECT_EQ(text.find("ab"), std::string::npos);
    SoupRef back = Read(written);
    EXPECT_EQ(Dump(back), "kuid 7 0500000007000000\nx 1\n  n 6 01000000\nname 4 6E657700\n");

    // Removing an added tag, a record of a nested region, and a record of another region (ignored).
    SoupRef x = soup.GetContainer("x");
    soup->RemoveChild(x.GetTag("n").Get());
    EXPECT_EQ(x.GetTagCount(), 1u);
    x->RemoveChild(x.GetTag("n").Get());
    EXPECT_EQ(x.GetTagCount(), 0u);
    soup->RemoveChild(soup.GetTag("name").Get());
    EXPECT_FALSE(soup.HasTag("name"));
    // Adding the same chunk twice to one region keeps one entry.
    ChunkRef tag = soup->CreateChunk(ChunkKind::Integer, ACSRawDataCore::Copy("\x05\0\0\0", 4));
    soup->AddChild("five", tag);
    soup->AddChild("five", tag);
    EXPECT_EQ(soup.GetTagCount(), 3u);
    EXPECT_EQ(soup.GetInt("five", 0), 5);
}

// Large regions answer repeated lookups from an index; edits must show through it.
TEST(ChunkedSoup, RepeatedLookupsOnLargeViewsFollowEdits)
{
    Body body;
    for (int i = 0; i < 600; ++i) {
        int32_t v = i;
        body.Record("t" + std::to_string(i % 500), 1, {uint8_t(v), uint8_t(v >> 8), 0, 0});
    }
    SoupRef soup = Read(body.File());
    ASSERT_TRUE(soup);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(soup.GetInt("t7", -1), 7);  // the first of two records named t7
        EXPECT_EQ(soup.GetInt("t499", -1), 499);
        EXPECT_EQ(soup.GetInt("t500", -1), -1);
    }
    soup.RemoveTag("t7");
    EXPECT_EQ(soup.GetInt("t7", -1), 507);
    soup.SetInt("t499", 1);
    EXPECT_EQ(soup.GetInt("t499", -1), 1);
    soup.SetInt("new", 2);
    EXPECT_EQ(soup.GetInt("new", -1), 2);
    EXPECT_EQ(soup.GetTagCount(), 600u);
    EXPECT_EQ(soup.GetTagName(599).view(), "new");
}

TEST(ChunkedSoup, NestingDeeperThanTheLimitIsRejected)
{
    auto nested = [](int depth) {
        std::vector<uint8_t> inner;
        for (int i = 0; i < depth; ++i) {
            Body b;
            b.Record("c", 0, inner);
            inner = b.bytes;
        }
        Body root;
        root.bytes = inner;
        return root.File();
    };
    EXPECT_TRUE(Read(nested(kMaxSoupDepth)));
    EXPECT_FALSE(Read(nested(kMaxSoupDepth + 1)));
}

TEST(ChunkedSoup, EmptySoupWritesZeroLengthBodyAndReadsBackEmpty)
{
    SoupRef empty = SoupRef::NewContainer();
    std::vector<uint8_t> file = WriteChunkedSoup(*empty.Get());
    EXPECT_EQ(file.size(), 16u);
    EXPECT_EQ(file[12], 0);
    EXPECT_FALSE(Read(file));
}

}  // namespace
