// LZSS model: the decoder's walk from the root agrees with the encoder's codes while the model changes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "package/lzss/AdaptiveHuffman.h"
#include "tests/package/LzssTestData.h"

namespace {

// The walk takes a shortcut through the top of the tree that must follow every
// exchange and rebuild up there. The favourite symbols change from phase to
// phase, so nodes near the root keep trading places.
TEST(LzssModel, WalkFindsTheLeafOfEveryCodeAsTheModelChanges)
{
    for (int symbols : {273, 64, 16}) {
        SCOPED_TRACE(symbols);
        AdaptiveHuffmanTree tree(symbols);
        lzsstest::Rng rng{uint64_t(symbols) * 13};
        std::vector<int> favourites(6);
        auto walkFinds = [&](int symbol) {
            uint64_t code;
            const int length = tree.Code(symbol, code);
            // Bits past the code belong to the next symbol; the walk must stop before them.
            const uint64_t junk = length < 64 ? rng.Next() << length : 0;
            unsigned depth;
            const int leaf = tree.Descend(code | junk, depth);
            return leaf == tree.LeafOf(symbol) && int(depth) == length;
        };
        for (int step = 0; step < 200000; ++step) {
            if (step % 15000 == 0) {
                for (int& f : favourites) f = int(rng.Below(uint32_t(symbols)));
            }
            const int symbol = rng.Below(100) < 70 ? favourites[rng.Below(uint32_t(favourites.size()))]
                                                   : int(rng.Below(uint32_t(symbols)));
            ASSERT_TRUE(walkFinds(symbol)) << "symbol " << symbol << " step " << step;
            tree.Update(symbol);
            if (step % 4999 != 0) continue;
            for (int s = 0; s < symbols; ++s) ASSERT_TRUE(walkFinds(s)) << "symbol " << s << " step " << step;
        }
    }
}

}  // namespace
