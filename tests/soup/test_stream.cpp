// Streams: buffering and look-behind, record primitives, memory and file streams, the scrambling stream.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "soup/Stream.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Counting(size_t size)
{
    Bytes data(size);
    for (size_t i = 0; i < size; ++i) data[i] = uint8_t(i * 7 + i / 256);
    return data;
}

// A memory stream that counts the calls reaching the inner object.
class CountingBuffer : public TBuffer {
 public:
    using TBuffer::TBuffer;
    size_t RawRead(void* data, size_t count) override
    {
        ++reads;
        asked.push_back(count);
        return TBuffer::RawRead(data, count);
    }
    bool RawSeek(int64_t offset, int origin) override
    {
        ++seeks;
        return TBuffer::RawSeek(offset, origin);
    }
    int reads = 0;
    int seeks = 0;
    std::vector<size_t> asked;  // sizes of the raw reads
};

TEST(Stream, SteppingBackRereadsTheSameByte)
{
    const Bytes data = Counting(100);
    TBuffer stream{Bytes(data)};
    uint8_t ten[10];
    ASSERT_EQ(stream.Read(ten, 10), 10u);
    ASSERT_TRUE(stream.StepBack());
    EXPECT_EQ(stream.ReadByte(), data[9]);
    EXPECT_EQ(stream.Position(), 10);
}

TEST(Stream, LookBehindSurvivesARefill)
{
    // Consume the first 4096-byte fill completely, then one byte of the next:
    // the refill keeps the last 16 bytes, so 17 steps back stay in the buffer
    // and an 18th needs a seek. Each row: steps back, seeks expected.
    struct Case {
        int steps;
        int seeks;
    };
    const Case cases[] = {{1, 0}, {16, 0}, {17, 0}, {18, 1}, {40, 23}};
    const Bytes data = Counting(10000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.steps);
        CountingBuffer stream{Bytes(data)};
        for (size_t i = 0; i < TStream::kBufferSize + 1; ++i) ASSERT_EQ(stream.ReadByte(), data[i]);
        ASSERT_EQ(stream.reads, 2);
        for (int s = 0; s < c.steps; ++s) ASSERT_TRUE(stream.StepBack());
        EXPECT_EQ(stream.seeks, c.seeks);
        const size_t at = TStream::kBufferSize + 1 - size_t(c.steps);
        EXPECT_EQ(stream.Position(), int64_t(at));
        for (size_t i = at; i < at + 50; ++i) ASSERT_EQ(stream.ReadByte(), data[i]) << "at " << i;
    }
}

TEST(Stream, LargeReadsBypassTheBuffer)
{
    const Bytes data = Counting(20000);
    struct Case {
        size_t first, second;
        std::vector<size_t> asked;
    };
    // The first read fills the buffer (4096); the second takes the 4086 bytes
    // left in it, and a remainder of 4080 or more goes straight to the inner object.
    const Case cases[] = {
        {10, 4086 + 5000, {4096, 5000}},
        {10, 4086 + 4080, {4096, 4080}},
        {10, 4086 + 4079, {4096, 4080}},  // refill keeping 16 bytes, then 4079 from it
        {10, 4086 + 10, {4096, 4080}},
        {0, 4080, {4080}},
        {0, 4079, {4096}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << "+" << c.second);
        CountingBuffer stream{Bytes(data)};
        Bytes out(c.first + c.second);
        ASSERT_EQ(stream.Read(out.data(), c.first), c.first);
        ASSERT_EQ(stream.Read(out.data() + c.first, c.second), c.second);
        EXPECT_EQ(out, Bytes(data.begin(), data.begin() + long(out.size())));
        EXPECT_EQ(stream.asked, c.asked);
        EXPECT_EQ(stream.Position(), int64_t(out.size()));
    }
    // A short read returns what there was and sets the error flag.
    TBuffer small{Bytes(data.begin(), data.begin() + 5)};
    uint8_t buf[8];
    EXPECT_EQ(small.Read(buf, 8), 5u);
    EXPECT_EQ(small.Error(), TStream::kShortTransfer);
    EXPECT_TRUE(small.AtEnd());
}

TEST(Stream, WritesAfterReadsLandAtTheLogicalPosition)
{
    TBuffer stream{Bytes(Counting(50))};
    uint8_t two[2];
    ASSERT_EQ(stream.Read(two, 2), 2u);
    ASSERT_TRUE(stream.WriteU32(0xAABBCCDD));
    EXPECT_EQ(stream.Position(), 6);
    const Bytes& bytes = Bytes(stream.Data().begin(), stream.Data().end());
    EXPECT_EQ(bytes.size(), 50u);
    EXPECT_EQ(bytes[2], 0xDD);
    EXPECT_EQ(bytes[5], 0xAA);
    EXPECT_EQ(stream.ReadByte(), Counting(50)[6]);
}

Bytes Le32(uint32_t v)
{
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

TEST(Stream, LengthStringRecords)
{
    struct Case {
        const char* name;
        Bytes stored;
        std::string text;  // what ReadLengthString gives
        int64_t endsAt;    // position after the read
    };
    Bytes skipped = Le32(0x10000);
    skipped.resize(4 + 0x10000, 'x');
    skipped.push_back('!');
    const Case cases[] = {
        {"count includes the NUL", {5, 0, 0, 0, 'a', 'b', 'c', 0, 0}, "abc", 9},
        {"count 0 is empty", {0, 0, 0, 0, 'z'}, "", 4},
        {"count above 0xFFFF is skipped", skipped, "", 4 + 0x10000},
        {"text without NUL", {2, 0, 0, 0, 'h', 'i'}, "hi", 6},
        {"cut short", {9, 0, 0, 0, 'h', 'i'}, "", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBuffer stream{Bytes(c.stored)};
        EXPECT_EQ(stream.ReadLengthString().str(), c.text);
        EXPECT_EQ(stream.Position(), c.endsAt);
    }
    // Writing: the NUL is counted; empty and overlong strings are written as count 0.
    struct WriteCase {
        std::string text;
        Bytes expected;
    };
    const WriteCase writes[] = {
        {"abc", {4, 0, 0, 0, 'a', 'b', 'c', 0}},
        {"", {0, 0, 0, 0}},
        {std::string(0xFFFF, 'q'), {0, 0, 0, 0}},
    };
    for (const WriteCase& w : writes) {
        TBuffer out;
        ASSERT_TRUE(out.WriteLengthString(Nox::PString(w.text)));
        EXPECT_EQ(Bytes(out.Data().begin(), out.Data().end()), w.expected);
    }
    TBuffer longest;
    const std::string fits(0xFFFE, 'r');
    ASSERT_TRUE(longest.WriteLengthString(fits));
    longest.Seek(0);
    EXPECT_EQ(longest.ReadLengthString().view(), fits);
}

TEST(Stream, LengthTextRecords)
{
    TBuffer stream;
    ASSERT_TRUE(stream.WriteLengthText("plain"));
    ASSERT_TRUE(stream.WriteLengthText(std::string(0x10000, 'x')));  // too long: count 0
    ASSERT_TRUE(stream.WriteLengthText(std::string(0xFFFF, 'y')));
    ASSERT_TRUE(stream.WriteU32(0x10000));
    Bytes filler(0x10000, 'f');
    stream.Write(filler.data(), filler.size());
    ASSERT_TRUE(stream.WriteLengthText("after"));
    stream.Seek(0);
    EXPECT_EQ(stream.ReadLengthText(), "plain");
    EXPECT_EQ(stream.ReadLengthText(), "");
    EXPECT_EQ(stream.ReadLengthText(), std::string(0xFFFF, 'y'));
    EXPECT_EQ(stream.ReadLengthText(), "");  // count 0x10000: skipped
    EXPECT_EQ(stream.ReadLengthText(), "after");
}

TEST(Stream, MarkersPatchesAndKuids)
{
    TBuffer stream;
    stream.WriteU32(7);
    const int64_t marker = stream.WriteMarker();
    const int64_t lengthAt = stream.Position();
    stream.WriteU32(0);
    stream.WriteKUID(KUID(5, 7, 2));
    ASSERT_TRUE(stream.PatchU32(lengthAt, 0x12345678));
    EXPECT_EQ(marker, 4);
    EXPECT_EQ(stream.Position(), 20);
    const Bytes expected = {7, 0, 0, 0, 0xEB, 0xCE, 0xED, 0xFE, 0x78, 0x56, 0x34, 0x12,
                            7, 0, 0, 0, 0x05, 0, 0, 0x04};  // contentId, then the packed word
    EXPECT_EQ(Bytes(stream.Data().begin(), stream.Data().end()), expected);
    stream.Seek(12);
    EXPECT_EQ(stream.ReadKUID(), KUID(5, 7, 2));
    EXPECT_EQ(stream.ReadKUID(), KUID::Null);  // nothing left
}

TEST(Stream, ReadLineEndings)
{
    const std::string text = "one\r\ntwo\n\rthree\rfour\n\nfive\r\r\nlast";
    TBuffer stream{Bytes(text.begin(), text.end())};
    std::vector<std::string> lines;
    std::string line;
    while (stream.ReadLine(line)) lines.push_back(line);
    const std::vector<std::string> expected = {"one", "two", "three", "four", "", "five", "", "last"};
    EXPECT_EQ(lines, expected);
}

TEST(Stream, MemoryStreamClampsSeeks)
{
    TBuffer stream{Bytes(Counting(10))};
    struct Case {
        int64_t offset;
        int origin;
        int64_t position;
    };
    const Case cases[] = {{-5, TStream::kBegin, 0}, {50, TStream::kBegin, 10}, {-3, TStream::kEnd, 7},
                          {2, TStream::kEnd, 10}, {-20, TStream::kCurrent, 0}};
    for (const Case& c : cases) {
        stream.Seek(c.offset, c.origin);
        EXPECT_EQ(stream.Position(), c.position);
        EXPECT_EQ(stream.AtEnd(), c.position == 10);
    }
    EXPECT_EQ(stream.Length(), 10);
    const Bytes view = Counting(4);
    TBuffer readOnly{std::span<const uint8_t>(view)};
    EXPECT_EQ(readOnly.Write("x", 1), 0u);
    EXPECT_EQ(readOnly.Error(), TStream::kShortTransfer);
}

TEST(Stream, FileStreamsWriteReadAndHandBackTheirPosition)
{
    const std::string path = (std::filesystem::temp_directory_path() / ("velmar_stream_" + std::to_string(getpid()))).string();
    const Bytes data = Counting(9000);
    {
        TFile out;
        ASSERT_TRUE(out.Open(path, Nox::File::kCreate));
        ASSERT_EQ(out.Write(data.data(), data.size()), data.size());
    }
    {
        TFile in;
        ASSERT_TRUE(in.Open(path));
        EXPECT_EQ(in.Length(), 9000);
        Bytes back(data.size());
        ASSERT_EQ(in.Read(back.data(), 100), 100u);
        EXPECT_EQ(in.Length(), 9000);
        EXPECT_EQ(in.Position(), 100);
        ASSERT_EQ(in.Read(back.data() + 100, back.size() - 100), back.size() - 100);
        EXPECT_EQ(back, data);
        EXPECT_TRUE(in.AtEnd());
    }
    {
        // A borrowed file is left where the stream's reader stopped, not where the buffer did.
        Nox::File file;
        ASSERT_EQ(file.Open(path), 0);
        {
            TFile in(&file, false);
            uint8_t few[3];
            ASSERT_EQ(in.Read(few, 3), 3u);
        }
        EXPECT_EQ(file.Tell(), 3);
    }
    std::filesystem::remove(path);
    TFile missing;
    EXPECT_FALSE(missing.Open(path));
    EXPECT_FALSE(missing.IsOpen());
    uint8_t b;
    EXPECT_EQ(missing.Read(&b, 1), 0u);
}

// The scrambling formula written out byte by byte.
uint8_t Ror8(uint8_t x, unsigned r)
{
    r &= 7;
    return r ? uint8_t((x >> r) | (x << (8 - r))) : x;
}

uint8_t ScrambleOne(uint8_t b, uint32_t seed, uint32_t p)
{
    return uint8_t((p & 0xFF) ^ Ror8(b, (seed + p) & 7) ^ Ror8(uint8_t(seed), (p / 3) & 7));
}

TEST(StreamObfuscated, FormulaExample)
{
    // Seed 0, position 16: 0x41 is stored as 0x10 ^ ror8(0x41, 0) ^ ror8(0, 5) = 0x51.
    EXPECT_EQ(ScrambleOne(0x41, 0, 16), 0x51);
    uint8_t b = 0x41;
    TStreamObfuscated::ScrambleBytes(&b, 1, 0, 16);
    EXPECT_EQ(b, 0x51);
    TStreamObfuscated::UnscrambleBytes(&b, 1, 0, 16);
    EXPECT_EQ(b, 0x41);
}

TEST(StreamObfuscated, WholeBufferTransformMatchesTheFormula)
{
    struct Case {
        uint32_t seed, position;
        size_t count;
    };
    const Case cases[] = {
        {0, 0, 1000},          {0x12345687, 3, 2000},   {0xFFFFFFFF, 767, 9},
        {0xA5, 0xFFFFFF00, 700},  // wraps past 2^32
        {77, 0xFFFFFFFD, 3},   {5, 100, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "seed " << c.seed << " position " << c.position);
        const Bytes plain = Counting(c.count);
        Bytes fast = plain;
        TStreamObfuscated::ScrambleBytes(fast.data(), fast.size(), c.seed, c.position);
        for (size_t i = 0; i < c.count; ++i)
            ASSERT_EQ(fast[i], ScrambleOne(plain[i], c.seed, c.position + uint32_t(i))) << "byte " << i;
        TStreamObfuscated::UnscrambleBytes(fast.data(), fast.size(), c.seed, c.position);
        EXPECT_EQ(fast, plain);
    }
}

TEST(StreamObfuscated, ScrambledRoundTripThroughStreams)
{
    const Bytes data = Counting(10000);
    TBuffer inner;
    inner.WriteU32(0xCAFEF00D);  // the scrambled part starts after other content
    {
        TStreamObfuscated out;
        ASSERT_TRUE(out.OpenWithSeed(&inner, TStreamObfuscated::kScrambled, 0x01020304));
        ASSERT_EQ(out.Write(data.data(), 5000), 5000u);
        ASSERT_EQ(out.Write(data.data() + 5000, 5000), 5000u);
        // Writing streams refuse reads.
        uint8_t b;
        EXPECT_EQ(out.Read(&b, 1), 0u);
        EXPECT_EQ(out.Error(), TStream::kWrongDirection);
        out.ClearError();
        EXPECT_FALSE(out.ReadU8(b));
        EXPECT_EQ(out.Error(), TStream::kWrongDirection);
    }
    const Bytes stored(inner.Data().begin(), inner.Data().end());
    ASSERT_EQ(stored.size(), 8u + data.size());
    EXPECT_EQ(stored[4], 0x04);  // the seed, then the bytes keyed by their inner position
    EXPECT_EQ(stored[8], ScrambleOne(data[0], 0x01020304, 8));
    EXPECT_EQ(stored[8 + 9999], ScrambleOne(data[9999], 0x01020304, 8 + 9999));

    inner.Seek(4);
    TStreamObfuscated in;
    ASSERT_TRUE(in.Open(TStreamObfuscated::kReading, &inner, TStreamObfuscated::kScrambled));
    EXPECT_EQ(in.Seed(), 0x01020304u);
    Bytes back(data.size());
    ASSERT_EQ(in.Read(back.data(), 10), 10u);
    ASSERT_TRUE(in.StepBack());
    ASSERT_EQ(in.Read(back.data() + 9, back.size() - 9), back.size() - 9);
    EXPECT_EQ(back, data);
    // Seeking reloads the position the bytes are keyed by.
    ASSERT_TRUE(in.Seek(8 + 1234));
    EXPECT_EQ(in.ReadByte(), data[1234]);
    // Reading streams refuse writes.
    EXPECT_EQ(in.Write("x", 1), 0u);
    EXPECT_EQ(in.Error(), TStream::kWrongDirection);
}

TEST(StreamObfuscated, PlainModePassesBytesThrough)
{
    TBuffer inner;
    TStreamObfuscated out;
    ASSERT_TRUE(out.Open(TStreamObfuscated::kWriting, &inner, TStreamObfuscated::kPlain));
    out.Write("abc", 3);
    EXPECT_EQ(std::string(inner.Data().begin(), inner.Data().end()), "abc");
    // A reading scrambled stream over too few bytes for its seed fails to open.
    TBuffer tiny{Bytes{1, 2}};
    TStreamObfuscated in;
    EXPECT_FALSE(in.Open(TStreamObfuscated::kReading, &tiny, TStreamObfuscated::kScrambled));
}

}  // namespace
