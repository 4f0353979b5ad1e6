// LZSS against a second, plain implementation of the format: its own model, writers and item sequences.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "package/lzss/AdaptiveHuffman.h"
#include "package/lzss/Lzss.h"
#include "package/lzss/LzssParse.h"
#include "tests/package/LzssTestData.h"

namespace {

using Bytes = std::vector<uint8_t>;
using lzsstest::Kind;

// The adaptive model written out step by step, with plain loops and
// signed links (a leaf holds ~symbol) instead of the codec's packed fields.
struct PlainModel {
    int root;
    std::vector<uint32_t> count;
    std::vector<int> child, parent, leaf;

    explicit PlainModel(int symbols)
    {
        const int n0 = symbols + (symbols & 1);
        root = 2 * n0 - 2;
        count.assign(root + 1, 1);
        child.assign(root + 1, 0);
        parent.assign(root + 1, -1);
        leaf.assign(n0, 0);
        for (int i = 0; i < n0; ++i) child[i] = ~i, leaf[i] = i;
        for (int m = 0; n0 + m <= root; ++m) {
            count[n0 + m] = count[2 * m] + count[2 * m + 1];
            child[n0 + m] = 2 * m;
            parent[2 * m] = parent[2 * m + 1] = n0 + m;
        }
    }
    bool IsLeaf(int i) const { return child[i] < 0; }
    void Place(int i, uint32_t c, int ch)
    {
        count[i] = c;
        child[i] = ch;
        if (ch < 0) leaf[~ch] = i;
        else parent[ch] = parent[ch + 1] = i;
    }
    // Path bits, root first.
    std::vector<int> Code(int symbol) const
    {
        std::vector<int> bits;
        for (int i = leaf[symbol]; i != root; i = parent[i]) bits.insert(bits.begin(), i == child[parent[i]] ? 0 : 1);
        return bits;
    }
    void Update(int symbol)
    {
        if (count[root] > 0x7FFF) Rebuild();
        for (int c = leaf[symbol]; c != root; c = parent[c]) {
            const uint32_t k = ++count[c];
            if (k <= count[c + 1]) continue;
            int l = c + 1;
            while (count[l + 1] < k) ++l;
            const int mine = child[c], theirs = child[l];
            Place(c, count[l], theirs);
            Place(l, k, mine);
            c = l;
        }
        ++count[root];
    }
    void Rebuild()
    {
        for (int i = 0; i <= root; ++i) {
            if (IsLeaf(i)) count[i] = (count[i] + 1) / 2;
            parent[i] = -1;
        }
        for (int j = 0, k = 0;;) {
            while (parent[j] != -1) ++j;
            if (j == root) break;
            while (k <= root && (IsLeaf(k) || parent[k] != -1)) ++k;
            if (k > root) break;  // only a broken tree gets here; the comparison then fails
            const uint32_t s = count[j] + count[j + 1];
            int slot, next;
            if (k > 0 && s < count[k - 1]) {
                int p = k;
                while (p > 0 && count[p - 1] > s) --p;
                for (int x = k; x > p; --x) Place(x, count[x - 1], child[x - 1]);
                slot = p;
                next = k + 1;
            } else {
                slot = k;
                for (;;) {
                    int q = slot + 1;
                    while (q <= root && !(IsLeaf(q) && count[q] < s)) ++q;
                    if (q > root) break;
                    Place(slot, count[q], child[q]);
                    child[q] = 0;
                    parent[q] = -1;
                    ++slot;
                }
                next = slot + 1;
            }
            Place(slot, s, j);
            j += 2;
            k = next;
        }
        parent[root] = -1;
    }
};

struct Item {
    enum Kind { kLiteral, kRun, kMatch } kind;
    size_t at;      // literal or run: offset of its first byte in the data
    size_t length;  // run or match length
    size_t distance;
};

constexpr uint16_t kBase[16] = {0, 1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129};
constexpr int kExtra[16] = {0, 0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 7};

// Writes a stream from items, one bit or byte at a time.
Bytes PlainStream(uint8_t header, const Bytes& data, const std::vector<Item>& items, bool endSymbol = true)
{
    const int mode = (header >> 4) & 3, level = header & 15, c = mode == 1 ? 12 : 14;
    Bytes out{header};
    if (mode == 0 || level <= 6) {
        size_t word = out.size(), used = 0;
        out.resize(out.size() + 4);
        auto flag = [&](int bit) {
            out[word + used / 8] |= uint8_t(bit << (used % 8));
            if (++used == 32) word = out.size(), used = 0, out.resize(out.size() + 4);
        };
        for (const Item& it : items) {
            if (it.kind == Item::kMatch) {
                const size_t v = it.length - 3;
                if (mode == 0) {
                    const size_t code = std::min<size_t>(v, 7);
                    for (int b : {1, int(code & 1), int(code >> 1 & 1), int(code >> 2)}) flag(b);
                    if (code == 7) out.push_back(uint8_t(v));
                    out.push_back(uint8_t(it.distance));
                } else {
                    const size_t limit = (1u << (16 - c)) - 1, field = std::min(v, limit), w = field << c | it.distance;
                    flag(1);
                    out.insert(out.end(), {uint8_t(w), uint8_t(w >> 8)});
                    if (field == limit) out.push_back(uint8_t(v));
                }
            } else if (it.kind == Item::kRun) {
                flag(0), flag(1);
                out.push_back(uint8_t(it.length - 3));
                out.insert(out.end(), data.begin() + long(it.at), data.begin() + long(it.at + it.length));
            } else {
                flag(0);
                if (mode != 0) flag(0);
                out.push_back(data[it.at]);
            }
        }
        return out;
    }
    PlainModel literals(273), distances(64);
    std::vector<int> bits;
    auto raw = [&](size_t value, int n) {
        for (int i = 0; i < n; ++i) bits.push_back(int(value >> i & 1));
    };
    auto symbol = [&](PlainModel& model, int s) {
        for (int b : model.Code(s)) bits.push_back(b);
        model.Update(s);
    };
    for (const Item& it : items) {
        if (it.kind == Item::kMatch) {
            const size_t v = it.length - 3;
            int t = 15;
            while (kBase[t] > v) --t;
            symbol(literals, 256 + t);
            raw(v - kBase[t], kExtra[t]);
            symbol(distances, int(it.distance >> (c - 6)));
            raw(it.distance, c - 6);
        } else {
            for (size_t i = 0; i < (it.kind == Item::kRun ? it.length : 1); ++i) symbol(literals, data[it.at + i]);
        }
    }
    if (endSymbol) symbol(literals, 272);
    while (bits.size() % 16) bits.push_back(0);
    for (size_t i = 0; i < bits.size(); i += 8) {
        uint8_t byte = 0;
        for (int b = 0; b < 8; ++b) byte |= uint8_t(bits[i + b] << b);
        out.push_back(byte);
    }
    return out;
}

// The codec's parse (checked on its own against an exhaustive search) as items,
// with literal batches split the way each encoding sends them.
std::vector<Item> ParseItems(const Bytes& data, int mode, int level)
{
    struct Recorder {
        const uint8_t* base;
        bool runs;
        std::vector<Item> items;
        void Literals(const uint8_t* bytes, size_t n)
        {
            const size_t at = size_t(bytes - base);
            if (runs && n >= 6) return items.push_back({Item::kRun, at, n, 0});
            for (size_t i = 0; i < n; ++i) items.push_back({Item::kLiteral, at + i, 1, 0});
        }
        void Match(size_t length, size_t distance) { items.push_back({Item::kMatch, 0, length, distance}); }
    } recorder{data.data(), mode != 0 && level <= 6, {}};
    const size_t nice[10] = {0, 8, 16, 32, 64, 128, 256, 64, 128, 256};
    const lzss::EncodeParams params{mode, level, mode == 0 ? 8 : mode == 1 ? 12 : 14, nice[level]};
    lzss::GreedyParse(data.data(), data.size(), params, recorder);
    return recorder.items;
}

TEST(LzssReference, ModelMatchesThePlainModelThroughRebuilds)
{
    for (int symbols : {273, 64}) {
        SCOPED_TRACE(symbols);
        AdaptiveHuffmanTree tree(symbols);
        PlainModel plain(symbols);
        lzsstest::Rng rng{uint64_t(symbols) * 7};
        for (int step = 0; step < 120000; ++step) {
            const uint32_t roll = rng.Below(100);
            const int symbol = int(roll < 50 ? rng.Below(6) : roll < 80 ? rng.Below(30) : rng.Below(uint32_t(symbols)));
            const bool rebuild = plain.count[plain.root] > 0x7FFF;
            tree.Update(symbol);
            plain.Update(symbol);
            if (!rebuild && step % 61 != 0) continue;
            for (int i = 0; i <= plain.root; ++i) {
                ASSERT_EQ(tree.Count(i), plain.count[i]) << "node " << i << " step " << step;
                ASSERT_EQ(tree.IsLeaf(i), plain.IsLeaf(i)) << "node " << i << " step " << step;
                const int link = plain.IsLeaf(i) ? tree.SymbolAt(i) : tree.FirstChild(i);
                const int plainLink = plain.IsLeaf(i) ? ~plain.child[i] : plain.child[i];
                ASSERT_EQ(link, plainLink) << "node " << i << " step " << step;
            }
        }
    }
}

// The compressor's streams equal the plain writers' streams for the same
// items, at every level and across the mode thresholds, so the header, the
// level rules, the flag-word timing, the run rule, the length codes, the model
// (rebuilds included) and the padding all agree byte for byte.
TEST(LzssReference, CompressorWritesThePlainStreamAtEveryLevel)
{
    struct Case {
        Kind kind;
        size_t size;
    };
    const Case cases[] = {{Kind::kText, 200},   {Kind::kBinary, 255}, {Kind::kText, 300},
                          {Kind::kText, 4096},  {Kind::kBinary, 9000}, {Kind::kText, 16385},
                          {Kind::kRandom, 40000}, {Kind::kText, 120000}};
    for (const Case& c : cases) {
        const Bytes data = lzsstest::Make(c.kind, c.size, c.size);
        for (int level = 1; level <= 9; ++level) {
            SCOPED_TRACE(testing::Message() << lzsstest::KindName(c.kind) << " " << c.size << " level " << level);
            int mode = level <= 3 ? 1 : 2, used = level;
            if (c.size < 256) mode = 0, used = std::min(level, 6);
            else if ((size_t(1) << (mode == 1 ? 12 : 14)) >= c.size) --mode;
            const Bytes expected = PlainStream(uint8_t(mode << 4 | used), data, ParseItems(data, mode, used));
            Bytes actual(expected.size() + 64);
            actual.resize(LzssCompressBlock(actual.data(), actual.size(), data.data(), data.size(), level));
            ASSERT_EQ(actual, expected);
        }
    }
}

// Streams the compressor never writes (every header mode and level, runs of
// 3 to 5 literals, single literals in long batches, every length code,
// overlapping copies, the largest distances, tens of thousands of symbols)
// decode to the data they describe.
TEST(LzssReference, DecoderReadsStreamsMadeElsewhere)
{
    for (int mode = 0; mode <= 2; ++mode) {
        for (int level = 1; level <= 15; ++level) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " level " << level);
            const bool runs = mode != 0 && level <= 6;
            const size_t window = mode == 0 ? 256 : mode == 1 ? 4096 : 16384;
            const size_t count = level == 9 || level == 6 ? 60000 : 600;
            lzsstest::Rng rng(uint64_t(mode * 16 + level));
            Bytes data;
            std::vector<Item> items;
            while (items.size() < count) {
                const uint32_t pick = rng.Below(10);
                if (data.size() < 2 || pick < 4) {
                    items.push_back({Item::kLiteral, data.size(), 1, 0});
                    data.push_back(uint8_t(rng.Below(pick == 0 ? 256 : 20)));
                } else if (pick < 6 && runs) {
                    const size_t n = 3 + rng.Below(pick == 4 ? 4 : 256);
                    items.push_back({Item::kRun, data.size(), n, 0});
                    for (size_t i = 0; i < n; ++i) data.push_back(uint8_t(rng.Below(256)));
                } else {
                    const size_t length = 3 + (pick == 9 ? rng.Below(256) : rng.Below(12));
                    const size_t most = std::min(data.size(), window - 1);
                    const size_t distance = rng.Below(3) == 0 ? most : 1 + rng.Below(uint32_t(most));
                    items.push_back({Item::kMatch, 0, length, distance});
                    for (size_t i = 0; i < length; ++i) data.push_back(data[data.size() - distance]);
                }
            }
            const Bytes stream = PlainStream(uint8_t(mode << 4 | level), data, items);
            ASSERT_EQ(LzssDecompress(stream, data.size()), data);
        }
    }
}

}  // namespace
