// LZSS stream format: hand-made streams for each encoding, header choices, damaged streams and capacities.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/lzss/Lzss.h"
#include "tests/package/LzssTestData.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Str(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes U32(uint32_t v)
{
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

std::optional<Bytes> Decode(const Bytes& stream, size_t capacity = 1 << 20)
{
    Bytes out(capacity);
    const auto n = LzssDecompressBlock(out.data(), out.size(), stream.data(), stream.size());
    if (!n) return std::nullopt;
    out.resize(*n);
    return out;
}

// Compresses with room to spare, so the compressed form is kept even when larger than the input.
Bytes CompressRoomy(const Bytes& data, int level)
{
    Bytes out(2 * data.size() + 64);
    out.resize(LzssCompressBlock(out.data(), out.size(), data.data(), data.size(), level));
    return out;
}

std::string Repeat(const std::string& unit, size_t length)
{
    std::string s;
    while (s.size() < length) s += unit;
    s.resize(length);
    return s;
}

// 31 distinct bytes, then the last one three more times: the match flag is
// the 32nd bit of the first flag word, so the next word comes before the
// match's length-code bits.
Bytes ThirtyOneThenRun()
{
    Bytes data;
    for (int i = 0; i < 31; ++i) data.push_back(uint8_t('A' + i));
    data.insert(data.end(), 3, data.back());
    return data;
}

struct ExactCase {
    const char* name;
    Bytes stream;
    Bytes decoded;
    int level;  // >= 0: the compressor must produce exactly this stream from decoded at this level
};

std::vector<ExactCase> ExactCases()
{
    const Bytes run = ThirtyOneThenRun();
    return {
        // Mode 0 length code 7: the extra length byte (7 -> length 10) precedes the distance byte.
        {"a_code7_extra_before_distance",
         Cat({{0x01}, U32(0b111100), Str("ab"), {7, 2}}), Str("ab" + Repeat("ab", 10)), -1},
        // Mode 0 code 6 is the longest inline length (9).
        {"a_code6_inline", Cat({{0x01}, U32(0b110100), Str("ab"), {2}}), Str("ab" + Repeat("ab", 9)), -1},
        {"a_flag_word_due_mid_item",
         Cat({{0x06}, U32(1u << 31), Bytes(run.begin(), run.begin() + 31), U32(0), {1}}), run, 6},
        // Mode 1 (c = 12): run of 3, match code 14 inline (17), code 15 + byte 15 (18).
        {"b_run_and_code_field_limits",
         Cat({{0x11}, U32(0b1110), {0}, Str("abc"), {0x03, 0xE0}, {0x03, 0xF0, 15}}), Str(Repeat("abc", 38)), -1},
        // Mode 2 (c = 14): the code field holds 0-2; 3 announces the byte.
        {"b_mode2_code_field", Cat({{0x21}, U32(0b110000), Str("xy"), {0x02, 0x80}, {0x02, 0xC0, 3}}),
         Str(Repeat("xy", 2 + 5 + 6)), -1},
        // Single literals in encoding B are flag 0, flag 0, byte.
        {"b_single_literals", Cat({{0x14}, U32(0), Str("hi")}), Str("hi"), -1},
        // A flag word with no items is a complete, empty stream.
        {"a_no_items", Cat({{0x01}, U32(0)}), {}, -1},
        // A stored stream.
        {"stored", Cat({{0x00}, Str("hello")}), Str("hello"), 9},
        // Bits 6-7 of the header are ignored; level 0 is stored in any mode.
        {"stored_any_mode", Cat({{0xF0}, Str("xyz")}), Str("xyz"), -1},
        // A header-only encoding C stream ends at a symbol boundary: no bytes.
        {"c_header_only", {0x19}, {}, -1},
        // A header-only stored stream is the empty input.
        {"stored_empty", {0x00}, {}, 0},
    };
}

TEST(LzssFormat, HandMadeStreamsDecodeAndEncodeExactly)
{
    for (const ExactCase& c : ExactCases()) {
        SCOPED_TRACE(c.name);
        const auto decoded = Decode(c.stream);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(*decoded, c.decoded);
        if (c.level >= 0) {
            EXPECT_EQ(CompressRoomy(c.decoded, c.level), c.stream);
        }
    }
}

TEST(LzssFormat, HeaderByteFollowsSizeAndLevel)
{
    struct Case {
        size_t size;
        int level;
        uint8_t header;
    };
    const Case cases[] = {
        {100000, 9, 0x29}, {10000, 9, 0x19}, {100, 9, 0x06}, {5, 9, 0x00},
        {100000, 12, 0x29},  // above 9 counts as 9
        {100000, 3, 0x13},   // levels 1-3: mode 1
        {4096, 3, 0x03},     // window 4096 >= input: mode 1 steps down to 0
        {4097, 3, 0x13},
        {16384, 4, 0x14},    // window 16384 >= input: mode 2 steps down once
        {16385, 4, 0x24},
        {255, 2, 0x02},      // under 256 bytes: mode 0, level kept when at most 6
        {256, 9, 0x19},
        {7, 9, 0x06},
        {6, 9, 0x00},
        {100000, 0, 0x00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << c.size << " level " << c.level);
        const Bytes data = lzsstest::Text(c.size, 1);
        const Bytes stream = CompressRoomy(data, c.level);
        ASSERT_FALSE(stream.empty());
        EXPECT_EQ(stream[0], c.header);
    }
}

TEST(LzssFormat, DamagedStreamsFail)
{
    const Bytes run = ThirtyOneThenRun();
    struct Case {
        const char* name;
        Bytes stream;
    };
    const Case cases[] = {
        {"empty input", {}},
        {"mode 3", {0x31, 0, 0, 0, 0}},
        {"a header alone", {0x01}},
        {"b header alone", {0x15}},
        {"a flag word cut short", {0x01, 0, 0}},
        {"a distance 0", Cat({{0x01}, U32(0b0010), Str("a"), {0}})},
        {"a distance past the start", Cat({{0x01}, U32(0b0010), Str("a"), {2}})},
        {"a distance byte missing after the extra length byte", Cat({{0x01}, U32(0b111100), Str("ab"), {7}})},
        {"a next flag word cut short", Cat({{0x06}, U32(1u << 31), Bytes(run.begin(), run.begin() + 31), {0, 0}})},
        {"b distance 0", Cat({{0x11}, U32(0b1), {0x00, 0x00}})},
        {"b match word cut", Cat({{0x11}, U32(0b1), {0x01}})},
        {"b run cut short", Cat({{0x11}, U32(0b10), {5}, Str("abc")})},
        {"b code byte missing", Cat({{0x11}, U32(0b1110), {0}, Str("abc"), {0x03, 0xF0}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(Decode(c.stream).has_value());
    }
}

TEST(LzssFormat, EncodingCStopsAtEndSymbolAndFailsInsideAnItem)
{
    const Bytes data = lzsstest::Text(5000, 3);
    const Bytes stream = LzssCompress(data, 9);
    ASSERT_EQ(stream[0], 0x19);
    // Bytes after the end symbol and its padding are never read.
    Bytes trailing = stream;
    trailing.insert(trailing.end(), {0xFF, 0x13, 0x77});
    EXPECT_EQ(Decode(trailing), data);
    // Cut points inside the stream: either a clean prefix at an item boundary or a failure,
    // never a wrong byte or an out-of-bounds access.
    size_t failures = 0;
    for (size_t cut = 1; cut < stream.size(); cut += 7) {
        const auto out = Decode(Bytes(stream.begin(), stream.begin() + cut));
        if (!out) {
            ++failures;
            continue;
        }
        ASSERT_LE(out->size(), data.size());
        EXPECT_TRUE(std::equal(out->begin(), out->end(), data.begin()));
    }
    EXPECT_GT(failures, 0u);
}

TEST(LzssFormat, CapacityBoundsOutputOnBothSides)
{
    const Bytes data = lzsstest::Text(20000, 5);
    for (int level : {0, 1, 4, 6, 9}) {
        SCOPED_TRACE(level);
        const Bytes stream = LzssCompress(data, level);
        // Decoding into one byte less fails and writes nothing past the capacity.
        Bytes out(data.size() + 16, 0xEE);
        EXPECT_FALSE(LzssDecompressBlock(out.data(), data.size() - 1, stream.data(), stream.size()).has_value());
        for (size_t i = data.size() - 1; i < out.size(); ++i) ASSERT_EQ(out[i], 0xEE);
        // The exact capacity works.
        EXPECT_EQ(LzssDecompress(stream, data.size()), data);
    }
    // Compressing: a stream that does not fit falls back to stored; if that does not fit either, 0.
    const Bytes random = lzsstest::Random(5000, 6);
    Bytes out(random.size() + 1);
    EXPECT_EQ(LzssCompressBlock(out.data(), out.size(), random.data(), random.size(), 9), random.size() + 1);
    EXPECT_EQ(out[0], 0x00);
    EXPECT_EQ(LzssCompressBlock(out.data(), random.size(), random.data(), random.size(), 9), 0u);
    const Bytes small = lzsstest::Text(5000, 7);
    const size_t packed = LzssCompress(small, 9).size();
    out.assign(packed, 0);
    EXPECT_EQ(LzssCompressBlock(out.data(), packed, small.data(), small.size(), 9), packed);
    out.assign(packed - 1, 0);
    EXPECT_EQ(LzssCompressBlock(out.data(), out.size(), small.data(), small.size(), 9), 0u);
}

TEST(LzssFormat, DecodingWithUnknownSizeHonoursTheLimit)
{
    const Bytes data = lzsstest::Text(70000, 8);
    const Bytes stream = LzssCompress(data, 9);
    EXPECT_EQ(LzssDecompressAll(stream, 1 << 20), data);
    EXPECT_FALSE(LzssDecompressAll(stream, data.size() - 1).has_value());
    EXPECT_FALSE(LzssDecompressAll(Bytes{0x31}, 100).has_value());
}

}  // namespace
