// AdaptiveHuffmanTree: initial state, the per-symbol update and the in-place rebuild.
#include "package/lzss/AdaptiveHuffman.h"

#include <cstddef>

AdaptiveHuffmanTree::AdaptiveHuffmanTree(int symbols)
    : leaves_(symbols + (symbols & 1)), root_(2 * leaves_ - 2)
{
    count_.resize(root_ + 2);  // count_[root_ + 1] stays 0: it stops the update's climb at the root
    link_.resize(root_ + 1);
    parent_.resize(root_ + 1);
    leafPos_.resize(leaves_);
    Reset();
}

void AdaptiveHuffmanTree::Reset()
{
    for (int i = 0; i < leaves_; ++i) {
        count_[i] = 1;
        link_[i] = uint16_t(kLeaf | i);
        leafPos_[i] = uint16_t(i);
    }
    for (int m = 0, node = leaves_; node <= root_; ++m, ++node) {
        count_[node] = count_[2 * m] + count_[2 * m + 1];
        link_[node] = uint16_t(2 * m);
        parent_[2 * m] = parent_[2 * m + 1] = uint16_t(node);
    }
    parent_[root_] = kUnassigned;
}

void AdaptiveHuffmanTree::Relink(uint16_t link, int position) noexcept
{
    if (link & kLeaf) {
        leafPos_[link & ~kLeaf] = uint16_t(position);
    } else {
        parent_[link] = parent_[link + 1] = uint16_t(position);
    }
}

// The last node of the run starting at `from` whose counts are below k. The
// counts ascend, so the run ends just before the first count of at least k;
// it is found by galloping then bisecting, as runs of equal counts can be
// long (flat byte distributions) but are usually short.
int AdaptiveHuffmanTree::LastBelow(int from, uint32_t k) const noexcept
{
    const uint32_t* count = count_.data();
    const int limit = root_ - 1;  // the root's count is never below k
    int low = from;               // count[low] < k
    int step = 1;
    int high = from + 1;          // first candidate not yet known to be below k
    while (high <= limit && count[high] < k) {
        low = high;
        step *= 2;
        high = low + step;
    }
    if (high > limit + 1) high = limit + 1;
    // count[low] < k; everything from high on (up to limit + 1) is at least k or beyond the limit.
    while (high - low > 1) {
        const int mid = low + (high - low) / 2;
        if (count[mid] < k) low = mid;
        else high = mid;
    }
    return low;
}

void AdaptiveHuffmanTree::Update(int symbol)
{
    if (count_[root_] > kRebuildAbove) Rebuild();
    // Raw pointers and unsigned positions: the compiler then keeps them in
    // registers and indexes without sign extension on this hot path (once per
    // coded symbol, once per tree level).
    uint32_t* const count = count_.data();
    uint16_t* const link = link_.data();
    uint16_t* const parent = parent_.data();
    uint16_t* const leafPos = leafPos_.data();
    const size_t root = size_t(root_);
    size_t c = leafPos[symbol];
    for (;;) {
        // Climb while the incremented count keeps the order. The count 0 past
        // the root ends the climb there too, so the loop has a single exit.
        uint32_t k = count[c] + 1;
        while (k <= count[c + 1]) {
            count[c] = k;
            c = parent[c];
            k = count[c] + 1;
        }
        if (c == root) break;
        // The root's count is at least k, so the run ends before it.
        size_t l = c + 1;  // usually the run is this one node
        if (count[l + 1] < k) l = size_t(LastBelow(int(l + 1), k));
        count[c] = count[l];
        count[l] = k;
        const uint16_t mine = link[c];
        const uint16_t theirs = link[l];
        if (mine & kLeaf) leafPos[mine & ~kLeaf] = uint16_t(l);
        else parent[mine] = parent[mine + 1] = uint16_t(l);
        if (theirs & kLeaf) leafPos[theirs & ~kLeaf] = uint16_t(c);
        else parent[theirs] = parent[theirs + 1] = uint16_t(c);
        link[l] = mine;
        link[c] = theirs;
        c = parent[l];
    }
    ++count[root];
}

// Halves the leaf counts and rebuilds the internal nodes over the same array,
// pairing the lowest unpaired nodes (cursor j) and writing each new node into
// the next free slot (cursor k) so that the array stays in ascending order.
void AdaptiveHuffmanTree::Rebuild()
{
    const int last = root_;
    for (int i = 0; i <= last; ++i) {
        if (IsLeaf(i)) count_[i] = (count_[i] + 1) / 2;
        parent_[i] = kUnassigned;
    }
    int j = 0;
    int k = 0;
    for (;;) {
        while (j <= last && parent_[j] != kUnassigned) ++j;
        if (j >= last) break;
        while (k <= last && (IsLeaf(k) || parent_[k] != kUnassigned)) ++k;
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
                parent_[q] = kUnassigned;
                ++slot;
            }
            nextK = slot + 1;
        }
        count_[slot] = s;
        link_[slot] = uint16_t(j);
        parent_[j] = parent_[j + 1] = uint16_t(slot);
        j += 2;
        k = nextK;
    }
    parent_[last] = kUnassigned;
}

int AdaptiveHuffmanTree::Code(int symbol, uint64_t& bits) const noexcept
{
    uint64_t code = 0;
    int length = 0;
    for (int node = leafPos_[symbol]; node != root_ && length < 64; ++length) {
        const int up = parent_[node];
        code = (code << 1) | uint64_t(node - link_[up]);
        node = up;
    }
    bits = code;
    return length;
}
