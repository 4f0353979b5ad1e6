// LZSS compressor choices and round trips: the fast parse against a literal reference, the model's invariants, seeded round trips.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "package/lzss/AdaptiveHuffman.h"
#include "package/lzss/Lzss.h"
#include "package/lzss/LzssParse.h"
#include "tests/package/LzssTestData.h"

namespace {

using Bytes = std::vector<uint8_t>;
using lzsstest::Kind;

struct Item {
    bool match;
    size_t a;  // literal batch: first byte offset; match: length
    size_t b;  // literal batch: count; match: distance
    bool operator==(const Item&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Item& item)
{
    return os << (item.match ? "match(" : "literals(") << item.a << "," << item.b << ")";
}

struct Recorder {
    const uint8_t* base;
    std::vector<Item> items;
    void Literals(const uint8_t* bytes, size_t count) { items.push_back({false, size_t(bytes - base), count}); }
    void Match(size_t length, size_t distance) { items.push_back({true, length, distance}); }
};

// The compressor's rules written out plainly: every earlier position in the
// window is tried, most recent first.
std::vector<Item> ReferenceParse(const Bytes& data, int windowBits, size_t nice)
{
    const size_t window = size_t(1) << windowBits;
    const size_t n = data.size();
    std::vector<Item> items;
    size_t pendingStart = 0, pending = 0;
    auto literal = [&](size_t at) {
        if (pending == 0) pendingStart = at;
        if (++pending == 258) {
            items.push_back({false, pendingStart, pending});
            pending = 0;
        }
    };
    size_t i = 0;
    while (i < n) {
        if (n - i >= 3) {
            const size_t left = n - i;
            const size_t stop = std::min(nice, left);
            size_t best = 2, bestDistance = 0;
            for (size_t d = 1; d < window && d <= i; ++d) {
                size_t len = 0;
                while (len < left && data[i - d + len] == data[i + len]) ++len;
                if (len > best) {
                    best = len;
                    bestDistance = d;
                    if (best >= stop) break;
                }
            }
            if (bestDistance) {
                if (pending) items.push_back({false, pendingStart, pending});
                pending = 0;
                size_t rest = best;
                for (; rest >= 3; rest -= std::min<size_t>(rest, 258)) items.push_back({true, std::min<size_t>(rest, 258), bestDistance});
                for (size_t t = i + best - rest; t < i + best; ++t) literal(t);
                i += best;
                continue;
            }
        }
        literal(i);
        ++i;
    }
    if (pending) items.push_back({false, pendingStart, pending});
    return items;
}

TEST(LzssParse, FastSearchMakesTheReferenceChoices)
{
    struct Case {
        Kind kind;
        size_t size;
        int windowBits;
        size_t nice;
    };
    const Case cases[] = {
        {Kind::kText, 255, 8, 256},   {Kind::kBinary, 255, 8, 8},     {Kind::kText, 6000, 12, 8},
        {Kind::kText, 6000, 12, 32},  {Kind::kBinary, 6000, 12, 16},  {Kind::kRandom, 6000, 12, 32},
        {Kind::kText, 40000, 14, 64}, {Kind::kText, 40000, 14, 256},  {Kind::kBinary, 40000, 14, 128},
        {Kind::kRandom, 17000, 14, 256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << lzsstest::KindName(c.kind) << " " << c.size << " window bits "
                                        << c.windowBits << " nice " << c.nice);
        Bytes data = lzsstest::Make(c.kind, c.size, c.size + c.nice);
        // A long run and a repeat longer than 258 exercise the pieces and tails.
        if (c.size > 1000) {
            std::fill(data.begin() + 300, data.begin() + 300 + 600, 'z');
            std::copy(data.begin() + 10, data.begin() + 10 + 261, data.end() - 400);
        }
        Recorder recorder{data.data(), {}};
        const lzss::EncodeParams params{c.windowBits == 8 ? 0 : c.windowBits == 12 ? 1 : 2, 9, c.windowBits, c.nice};
        lzss::GreedyParse(data.data(), data.size(), params, recorder);
        const std::vector<Item> expected = ReferenceParse(data, c.windowBits, c.nice);
        ASSERT_EQ(recorder.items.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(recorder.items[i], expected[i]) << "item " << i;
    }
}

TEST(LzssParse, LongMatchesAreCutInto258BytePieces)
{
    // 259 random bytes, one separator, the same 259 bytes: the repeat is one
    // match measured to the end of the input, coded as 258 plus one literal.
    struct Case {
        size_t repeat;
        std::vector<Item> tail;
    };
    const Case cases[] = {
        {259, {{true, 258, 260}, {false, 518, 1}}},
        {260, {{true, 258, 261}, {false, 519, 2}}},
        {261, {{true, 258, 262}, {true, 3, 262}}},
        {516, {{true, 258, 517}, {true, 258, 517}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.repeat);
        Bytes data = lzsstest::Random(c.repeat, 11);
        data.push_back('|');
        data.insert(data.end(), data.begin(), data.begin() + long(c.repeat));
        Recorder recorder{data.data(), {}};
        const lzss::EncodeParams params{1, 9, 12, 256};
        lzss::GreedyParse(data.data(), data.size(), params, recorder);
        ASSERT_GE(recorder.items.size(), c.tail.size());
        const std::vector<Item> tail(recorder.items.end() - long(c.tail.size()), recorder.items.end());
        EXPECT_EQ(tail, c.tail);
        EXPECT_EQ(LzssDecompress(LzssCompress(data, 9), data.size()), data);
    }
}

TEST(LzssModel, TreeStaysConsistentThroughRebuilds)
{
    for (int symbols : {273, 64, 16}) {
        SCOPED_TRACE(symbols);
        AdaptiveHuffmanTree tree(symbols);
        lzsstest::Rng rng{uint64_t(symbols)};
        int rebuilds = 0;
        for (int step = 0; step < 300000; ++step) {
            // Skewed choice, as literals are: a few common symbols, a long tail.
            const uint32_t roll = rng.Below(100);
            const int symbol = roll < 60 ? int(rng.Below(8)) : roll < 90 ? int(rng.Below(40)) % symbols
                                                                          : int(rng.Below(uint32_t(symbols)));
            const bool rebuildDue = tree.Count(tree.Root()) > AdaptiveHuffmanTree::kRebuildAbove;
            tree.Update(symbol);
            rebuilds += rebuildDue;
            if (!rebuildDue && step % 5000 != 0) continue;
            const int root = tree.Root();
            for (int node = 0; node < root; ++node) {
                ASSERT_LE(tree.Count(node), tree.Count(node + 1)) << "order at " << node << " step " << step;
                const int parent = tree.Parent(node);
                ASSERT_FALSE(tree.IsLeaf(parent));
                ASSERT_TRUE(tree.FirstChild(parent) == node || tree.FirstChild(parent) + 1 == node);
            }
            for (int node = 0; node <= root; ++node) {
                if (tree.IsLeaf(node)) continue;
                const int child = tree.FirstChild(node);
                ASSERT_EQ(tree.Count(node), tree.Count(child) + tree.Count(child + 1)) << "node " << node;
            }
            for (int s = 0; s < symbols; ++s) {
                const int leaf = tree.LeafOf(s);
                ASSERT_TRUE(tree.IsLeaf(leaf));
                ASSERT_EQ(tree.SymbolAt(leaf), s);
            }
        }
        EXPECT_GT(rebuilds, 5);
    }
}

uint64_t BaseSeed()
{
    if (const char* env = std::getenv("LZSS_SEED")) return std::strtoull(env, nullptr, 10);
    return std::random_device{}();
}

TEST(LzssRoundTrip, EveryLevelSizeAndKind)
{
    const uint64_t base = BaseSeed();
    std::vector<size_t> sizes;
    for (size_t s = 0; s <= 10; ++s) sizes.push_back(s);
    for (size_t s : {255, 256, 257, 4095, 4096, 4097, 16383, 16384, 16385, 1 << 20}) sizes.push_back(s);
    for (Kind kind : {Kind::kText, Kind::kBinary, Kind::kRandom}) {
        for (size_t size : sizes) {
            const uint64_t seed = base + size * 31 + uint64_t(kind);
            const Bytes data = lzsstest::Make(kind, size, seed);
            for (int level = 0; level <= 9; ++level) {
                const Bytes stream = LzssCompress(data, level);
                ASSERT_EQ(LzssDecompress(stream, data.size()), data)
                    << lzsstest::KindName(kind) << " size " << size << " level " << level << " seed " << seed
                    << " (rerun with LZSS_SEED=" << base << ")";
                ASSERT_LE(stream.size(), size + 1);
            }
        }
    }
}

}  // namespace
