// The fast paths of the index: the written-in-pieces file, the order reported by the reader and
// the flat KUID table must give exactly what the plain paths give.
#include "assetdb/AssetIndexFile.h"
#include "assetdb/KuidHashMap.h"
#include "tests/assetdb/GeneratedIndex.h"
#include "tests/assetdb/IndexFileSample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <unordered_map>

namespace {

// The pieces joined, with the size patched in as the database's writer does.
std::vector<uint8_t> Joined(const VLXAssetIndex& index, uint32_t seed, size_t* pieces = nullptr)
{
    std::vector<uint8_t> file;
    size_t count = 0;
    uint64_t size = VLXWriteIndexPieces(index, seed, [&](std::span<const uint8_t> bytes) {
        file.insert(file.end(), bytes.begin(), bytes.end());
        ++count;
        return true;
    });
    EXPECT_EQ(size, file.size());
    uint32_t field = uint32_t(size);
    if (file.size() >= 12)
        std::memcpy(file.data() + 8, &field, 4);
    if (pieces)
        *pieces = count;
    return file;
}

TEST(IndexFastPaths, FileWrittenInPiecesEqualsTheWholeImage)
{
    // Empty index (one short piece), small, and large enough for several pieces and a soup or
    // text crossing a piece boundary.
    for (size_t records : {size_t(0), size_t(50), size_t(12000)}) {
        VLXAssetIndex index = generated::Index(records, 7);
        size_t pieces = 0;
        std::vector<uint8_t> joined = Joined(index, 0x5EED0000u + uint32_t(records), &pieces);
        std::vector<uint8_t> whole = VLXWriteIndex(index, 0x5EED0000u + uint32_t(records));
        EXPECT_EQ(whole, joined) << records << " records";
        if (records == 12000) {
            EXPECT_GT(pieces, 1u);
        }
    }
}

TEST(IndexFastPaths, RefusedPieceFailsTheWrite)
{
    VLXAssetIndex index = generated::Index(12000, 3);
    int calls = 0;
    uint64_t size = VLXWriteIndexPieces(index, 1, [&](std::span<const uint8_t>) { return ++calls != 2; });
    EXPECT_EQ(0u, size);
}

TEST(IndexFastPaths, ReaderReportsWhetherTheArrayIsInNameOrder)
{
    struct Case {
        const char* name;
        std::vector<std::pair<KUID, std::string>> records;
        bool sorted;
    };
    const Case cases[] = {
        {"in order", {{KUID(1, 1, 0), "Alpha"}, {KUID(1, 2, 0), "beta"}, {KUID(1, 3, 0), "Gamma"}}, true},
        {"equal names", {{KUID(1, 1, 0), "Same"}, {KUID(1, 2, 0), "same"}}, true},
        {"out of order", {{KUID(1, 1, 0), "Gamma"}, {KUID(1, 2, 0), "Alpha"}}, false},
        // The second record of KUID 1:1 replaces "Alpha" in first place: "Zulu" before "Beta".
        {"KUID stored twice", {{KUID(1, 1, 0), "Alpha"}, {KUID(1, 2, 0), "Beta"}, {KUID(1, 1, 0), "Zulu"}}, false},
    };
    for (const Case& c : cases) {
        sample::Options options;
        options.records.clear();
        for (const auto& [kuid, name] : c.records)
            options.records.push_back(sample::Record(kuid, name, "", ""));
        VLXAssetIndex index;
        VLXIndexReadContext context;
        context.machine = sample::kMachine;
        std::vector<uint8_t> image = sample::BuildFile(36, 9, options);
        VLXIndexReadResult result = VLXReadIndex(image, index, context);
        ASSERT_TRUE(result.ok) << c.name << ": " << result.reason;
        EXPECT_EQ(c.sorted, result.arraySorted) << c.name;
        EXPECT_EQ(c.sorted, std::is_sorted(index.array.begin(), index.array.end(), VLXRecordNameLess)) << c.name;
    }
}

TEST(IndexFastPaths, KuidTableAgreesWithAStandardMapThroughInsertsAndErasures)
{
    // Few distinct KUIDs in a small table: long probe runs, wrap-around at the end of the slots
    // and erasures inside runs all occur.
    std::mt19937 rng(11);
    VLXKuidHashMap<int> table;
    std::unordered_map<KUID, int> expected;
    auto randomKuid = [&] { return KUID(int32_t(rng() % 7), int32_t(rng() % 40), int32_t(rng() % 2)); };
    for (int step = 0; step < 20000; ++step) {
        KUID key = randomKuid();
        if (rng() % 3 == 0) {
            EXPECT_EQ(expected.erase(key) == 1, table.Erase(key));
        } else {
            auto [value, added] = table.TryEmplace(key, step);
            auto [it, expectedAdded] = expected.try_emplace(key, step);
            EXPECT_EQ(expectedAdded, added);
            EXPECT_EQ(it->second, *value);
        }
        ASSERT_EQ(expected.size(), table.size());
    }
    for (int user = 0; user < 7; ++user)
        for (int content = 0; content < 40; ++content)
            for (int version = 0; version < 2; ++version) {
                KUID key(user, content, version);
                auto it = expected.find(key);
                const int* found = table.Find(key);
                ASSERT_EQ(it != expected.end(), found != nullptr) << key.ToTagText();
                if (found) {
                    EXPECT_EQ(it->second, *found);
                }
            }
}

}  // namespace
