// AdaptiveHuffmanTree: initial state, the per-symbol update and the in-place rebuild.
#include "package/lzss/AdaptiveHuffman.h"

#include <algorithm>
#include <cstddef>

AdaptiveHuffmanTree::AdaptiveHuffmanTree(int symbols)
    : nodes_(uint16_t(2 * (symbols + (symbols & 1)) - 1)), leaves_(symbols + (symbols & 1)), root_(nodes_ - 1)
{
    count_.resize(size_t(nodes_) + kLookahead);
    link_.resize(nodes_);
    inTop_.resize(nodes_);
    up_.resize(size_t(nodes_) + 2 * size_t(leaves_));
    Reset();
}

void AdaptiveHuffmanTree::Reset()
{
    for (int i = 0; i < leaves_; ++i) {
        count_[i] = 1;
        link_[i] = uint16_t(nodes_ + 2 * i);
        Relink(link_[i], i);
    }
    for (int m = 0, node = leaves_; node <= root_; ++m, ++node) {
        count_[node] = uint16_t(count_[2 * m] + count_[2 * m + 1]);
        link_[node] = uint16_t(2 * m);
        Relink(link_[node], node);
    }
    up_[root_] = nodes_;  // the padding slot above the root ends the update's climb
    topStale_ = true;
    for (int i = 1; i <= kLookahead; ++i) count_[root_ + i] = 0xFFFF;
}

// The last node of the run starting at `from` whose counts are below k. The
// counts ascend, so the run ends just before the first count of at least k;
// it is found by galloping then bisecting, as runs of equal counts can be
// long (flat byte distributions) but are usually short.
size_t AdaptiveHuffmanTree::LastBelow(size_t from, unsigned k) const noexcept
{
    const uint16_t* count = count_.data();
    const size_t limit = size_t(root_) - 1;  // the root's count is never below k
    size_t low = from;                       // count[low] < k
    size_t step = 1;
    size_t high = from + 1;                  // first candidate not yet known to be below k
    while (high <= limit && count[high] < k) {
        low = high;
        step *= 2;
        high = low + step;
    }
    if (high > limit + 1) high = limit + 1;
    // count[low] < k; everything from high on (up to limit + 1) is at least k or beyond the limit.
    while (high - low > 1) {
        const size_t mid = low + (high - low) / 2;
        if (count[mid] < k) low = mid;
        else high = mid;
    }
    return low;
}

// Halves the leaf counts and rebuilds the internal nodes over the same array,
// pairing the lowest unpaired nodes (cursor j) and writing each new node into
// the next free slot (cursor k) so that the array stays in ascending order.
void AdaptiveHuffmanTree::Rebuild()
{
    const int last = root_;
    for (int i = 0; i <= last; ++i) {
        if (IsLeaf(i)) count_[i] = uint16_t((count_[i] + 1) / 2);
        up_[i] = kUnassigned;
    }
    int j = 0;
    int k = 0;
    for (;;) {
        while (j <= last && up_[j] != kUnassigned) ++j;
        if (j >= last) break;
        while (k <= last && (IsLeaf(k) || up_[k] != kUnassigned)) ++k;
        if (k > last) break;  // cannot happen with a consistent tree
        const uint32_t s = count_[j] + count_[j + 1];
        int slot;
        int nextK;
        if (k > 0 && s < count_[k - 1]) {
            // Insert: shift the nodes heavier than s up by one into the free slot k.
            int p = k - 1;
            while (p >= 0 && count_[p] > s) --p;
            ++p;
            for (int x = k; x > p; --x) {
                count_[x] = count_[x - 1];
                link_[x] = link_[x - 1];
                Relink(link_[x], x);
            }
            slot = p;
            nextK = k + 1;
        } else {
            // Pull the lighter leaves that follow into place before the new node.
            slot = k;
            for (;;) {
                int q = slot + 1;
                while (q <= last && !IsLeaf(q)) ++q;
                if (q > last || count_[q] >= s) break;
                count_[slot] = count_[q];
                link_[slot] = link_[q];
                Relink(link_[slot], slot);
                link_[q] = 0;  // an empty non-leaf, parent unassigned
                up_[q] = kUnassigned;
                ++slot;
            }
            nextK = slot + 1;
        }
        count_[slot] = uint16_t(s);
        link_[slot] = uint16_t(j);
        up_[j] = up_[j + 1] = uint16_t(slot);
        j += 2;
        k = nextK;
    }
    up_[last] = nodes_;
    topStale_ = true;
}

void AdaptiveHuffmanTree::BuildTop() noexcept
{
    // The flags of the previous table all lie from its floor up.
    if (topFloor_ != kNoTop) std::fill(inTop_.begin() + topFloor_, inTop_.end(), 0);
    topFloor_ = uint16_t(root_);
    FillTop(unsigned(root_), 0, 0);
    topStale_ = false;
}

// Fills the entries whose low `level` bits are prefix, the path to node.
void AdaptiveHuffmanTree::FillTop(unsigned node, unsigned level, unsigned prefix) noexcept
{
    const unsigned l = link_[node];
    if (level == kTopBits || l >= nodes_) {
        for (unsigned i = prefix; i < kTopSize; i += 1u << level) top_[i] = (level << 16) | node;
        return;
    }
    if (node < topFloor_) topFloor_ = uint16_t(node);
    inTop_[node] = 1;
    FillTop(l, level + 1, prefix);
    FillTop(l + 1, level + 1, prefix | (1u << level));
}

int AdaptiveHuffmanTree::Code(int symbol, uint64_t& bits) const noexcept
{
    uint64_t code = 0;
    int length = 0;
    for (int node = LeafOf(symbol); node != root_ && length < 64; ++length) {
        const int up = up_[node];
        code = (code << 1) | uint64_t(node - link_[up]);
        node = up;
    }
    bits = code;
    return length;
}
