// AdaptiveHuffmanTree: initial state, the per-symbol update and the in-place rebuild.
#include "package/lzss/AdaptiveHuffman.h"

AdaptiveHuffmanTree::AdaptiveHuffmanTree(int symbols)
    : leaves_(symbols + (symbols & 1)), root_(2 * leaves_ - 2)
{
    count_.resize(root_ + 1);
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

void AdaptiveHuffmanTree::Update(int symbol)
{
    if (count_[root_] > kRebuildAbove) Rebuild();
    int c = leafPos_[symbol];
    while (c != root_) {
        const uint32_t k = ++count_[c];
        if (k > count_[c + 1]) {
            // l: the last node of the run after c whose counts are below k.
            int l = c + 1;
            while (l + 1 < root_ && k > count_[l + 1]) ++l;
            count_[c] = count_[l];
            count_[l] = k;
            const uint16_t mine = link_[c];
            const uint16_t theirs = link_[l];
            Relink(mine, l);
            Relink(theirs, c);
            link_[l] = mine;
            link_[c] = theirs;
            c = l;
        }
        c = parent_[c];
    }
    ++count_[root_];
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
