// LZSS golden files: streams that must decode (and re-encode byte for byte), streams that must fail, and the table of compressed sizes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "package/lzss/Lzss.h"
#include "tests/package/LzssTestData.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

const fs::path kGolden = fs::path(VELMAR_TEST_DATA) / "lzss";

Bytes ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<fs::path> Files(const fs::path& folder, const std::string& extension)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == extension) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(LzssGolden, ValidStreamsDecodeAndReencodeExactly)
{
    const std::vector<fs::path> streams = Files(kGolden / "valid", ".lzss");
    ASSERT_FALSE(streams.empty());
    for (const fs::path& path : streams) {
        SCOPED_TRACE(path.filename().string());
        const Bytes stream = ReadFile(path);
        const Bytes expected = ReadFile(fs::path(path).replace_extension(".out"));
        ASSERT_FALSE(stream.empty());
        EXPECT_EQ(LzssDecompress(stream, expected.size()), expected);
        // Re-encoding at the level the header names gives the same bytes.
        Bytes again(2 * expected.size() + 64);
        again.resize(LzssCompressBlock(again.data(), again.size(), expected.data(), expected.size(), stream[0] & 0x0F));
        EXPECT_EQ(again, stream);
    }
}

TEST(LzssGolden, InvalidStreamsFail)
{
    const std::vector<fs::path> streams = Files(kGolden / "invalid", ".lzss");
    ASSERT_FALSE(streams.empty());
    Bytes out(1 << 20);
    for (const fs::path& path : streams) {
        SCOPED_TRACE(path.filename().string());
        const Bytes stream = ReadFile(path);
        EXPECT_FALSE(LzssDecompressBlock(out.data(), out.size(), stream.data(), stream.size()).has_value());
    }
}

// Compressed sizes per input and level, with the callers' bound (input + 1).
// A change in this table means the compressor chose differently: review it.
// VELMAR_UPDATE_GOLDEN=1 rewrites the table from the current compressor.
TEST(LzssGolden, CompressedSizesMatchTheTable)
{
    using lzsstest::Kind;
    struct Input {
        const char* name;
        Kind kind;
        size_t size;
    };
    const Input inputs[] = {
        {"text_300", Kind::kText, 300},          {"text_5000", Kind::kText, 5000},
        {"text_100000", Kind::kText, 100000},    {"text_1048576", Kind::kText, 1 << 20},
        {"binary_5000", Kind::kBinary, 5000},    {"binary_100000", Kind::kBinary, 100000},
        {"random_100000", Kind::kRandom, 100000},
    };
    std::ostringstream actual;
    actual << "input,level,bytes\n";
    for (const Input& input : inputs) {
        const Bytes data = lzsstest::Make(input.kind, input.size, 2024);
        for (int level = 0; level <= 9; ++level)
            actual << input.name << "," << level << "," << LzssCompress(data, level).size() << "\n";
    }
    const fs::path table = kGolden / "sizes.csv";
    if (const char* update = std::getenv("VELMAR_UPDATE_GOLDEN"); update && std::string(update) == "1") {
        std::ofstream(table, std::ios::binary) << actual.str();
        GTEST_SKIP() << "rewrote " << table;
    }
    const Bytes expected = ReadFile(table);
    EXPECT_EQ(std::string(expected.begin(), expected.end()), actual.str());
}

}  // namespace
