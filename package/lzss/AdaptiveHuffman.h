// AdaptiveHuffmanTree: the adaptive Huffman model shared by the encoder and decoder of encoding C.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The nodes are kept in ascending order of count; the root is the last node.
// A node is either a leaf holding a symbol or an internal node whose children
// are two neighbouring nodes. Encoder and decoder stay in step only when they
// start from the same state and update identically, so every step here is
// fixed: the initial tree, the update with its exchanges, and the in-place
// rebuild when the root count passes 0x7FFF.
//
// Storage, chosen so that an exchange of two nodes needs no branches:
//   count_[node]   the node's count; four slots past the root hold 0xFFFF so
//                  that looking four nodes ahead never leaves the array and
//                  never finds a count below the one being raised. The first
//                  of them stands for the root's parent.
//   link_[node]    internal node: the position of its first child (< nodes).
//                  leaf: nodes + 2 * symbol, an index into up_.
//   up_[i]         i < nodes: the parent of node i (the root's is nodes, the
//                  padding slot above it);
//                  up_[nodes + 2 * symbol]: the position of that symbol's leaf;
//                  up_[nodes + 2 * symbol + 1]: a scratch slot.
// Moving the contents of a position p then always means writing
// up_[link] = up_[link + 1] = p: the children's parents for an internal node,
// the leaf position and its scratch slot for a leaf.
class AdaptiveHuffmanTree {
 public:
  static constexpr uint32_t kRebuildAbove = 0x7FFF;

  // symbols: the alphabet size (rounded up to an even number of leaves).
  explicit AdaptiveHuffmanTree(int symbols);

  // Back to the initial state: every leaf count 1, internal node n0 + m joins 2m and 2m + 1.
  void Reset();
  // Counts one more occurrence of symbol (rebuilding first when the root count is above 0x7FFF).
  void Update(int symbol)
  {
    if (count_[root_] > kRebuildAbove) Rebuild();
    Raise(LeafOf(symbol));
  }
  // The same for the leaf at position leaf, as the decoder's walk finds it.
  void UpdateLeaf(int leaf)
  {
    if (count_[root_] > kRebuildAbove) [[unlikely]] {
      const int symbol = SymbolAt(leaf);
      Rebuild();
      leaf = LeafOf(symbol);
    }
    Raise(size_t(leaf));
  }

  int Root() const noexcept { return root_; }
  bool IsLeaf(int node) const noexcept { return link_[node] >= nodes_; }
  // The position of an internal node's first child (the second is next to it).
  int FirstChild(int node) const noexcept { return link_[node]; }
  int LeafOf(int symbol) const noexcept { return up_[nodes_ + 2 * size_t(symbol)]; }
  // The symbol of the leaf at position leaf.
  int SymbolAt(int leaf) const noexcept { return (link_[leaf] - nodes_) >> 1; }
  int Parent(int node) const noexcept { return up_[node]; }
  uint32_t Count(int node) const noexcept { return count_[node]; }

  // The leaf reached from the root taking one bit of bits per level, lowest
  // bit first; depth receives the number of bits taken. The tree's depth is
  // bounded (far below 48) by the rebuild limit on the root count.
  int Descend(uint64_t bits, unsigned& depth) noexcept
  {
    if (topStale_) [[unlikely]] BuildTop();
    // The first levels come from the table, the rest from the links.
    const uint32_t entry = top_[bits & (kTopSize - 1)];
    unsigned node = entry & 0xFFFF;
    unsigned taken = entry >> 16;
    bits >>= taken;
    const uint16_t* const link = link_.data();
    const unsigned nodes = nodes_;
    for (unsigned l = link[node]; l < nodes; l = link[node]) {
      node = l + unsigned(bits & 1);
      bits >>= 1;
      ++taken;
    }
    depth = taken;
    return int(node);
  }

  // The code of a symbol, root first, packed so that the root's bit is bit 0.
  // Returns the code length in bits (at most 64 codes bits fit; deeper trees
  // are not reachable with counts bounded by the rebuild).
  int Code(int symbol, uint64_t& bits) const noexcept;

 private:
  static constexpr uint16_t kUnassigned = 0xFFFF;
  static constexpr int kLookahead = 4;
  static constexpr unsigned kTopBits = 5;
  static constexpr unsigned kTopSize = 1u << kTopBits;
  static constexpr uint16_t kNoTop = 0xFFFF;

  void BuildTop() noexcept;
  void FillTop(unsigned node, unsigned level, unsigned prefix) noexcept;

  void Rebuild();
  size_t LastBelow(size_t from, unsigned k) const noexcept;
  // Points the children of link (or the leaf's symbol) at position.
  void Relink(uint16_t link, int position) noexcept { up_[link] = up_[link + 1] = uint16_t(position); }

  // The last position of the run of nodes from c on whose counts are below k
  // (equal to count[c], as counts ascend). The run is nearly always shorter
  // than the lookahead, so comparing a fixed number of neighbours replaces a
  // loop whose exit the processor cannot predict.
  size_t RunEnd(size_t c, unsigned k) const noexcept
  {
    const uint16_t* const count = count_.data();
    const size_t n = size_t(count[c + 1] < k) + size_t(count[c + 2] < k) + size_t(count[c + 3] < k) +
                     size_t(count[c + 4] < k);
    if (n == kLookahead) [[unlikely]] return LastBelow(c + kLookahead, k);
    return c + n;
  }

  // Moves the contents of c to l with the count k, and those of l to c (c == l rewrites c).
  void Exchange(size_t c, size_t l, unsigned k) noexcept
  {
    uint16_t* const link = link_.data();
    uint16_t* const up = up_.data();
    // Links change only here. The table of the top of the tree depends on the
    // links of its own nodes (all from topFloor_ up); an exchange elsewhere,
    // as nearly all are, leaves it valid.
    if (l >= topFloor_ && (inTop_[c] | inTop_[l])) [[unlikely]] topStale_ = true;
    const uint16_t mine = link[c];
    const uint16_t theirs = link[l];
    count_[l] = uint16_t(k);
    link[c] = theirs;
    link[l] = mine;
    up[theirs] = up[theirs + 1] = uint16_t(c);
    up[mine] = up[mine + 1] = uint16_t(l);
  }

  // Adds one to the leaf at position c and to every node above it. Before a
  // node is raised it trades places with the last node of the run of equal
  // counts that follows it, so the counts stay in ascending order; the climb
  // then goes on from the parent of the position it landed in.
  void Raise(size_t c) noexcept
  {
    uint16_t* const count = count_.data();
    const uint16_t* const up = up_.data();
    // Most leaves share their count with the next leaf, so the leaf always
    // takes the exchange path, without a branch (a run of one node is a
    // no-op exchange).
    size_t l = RunEnd(c, count[c] + 1u);
    Exchange(c, l, count[c] + 1u);
    c = up[l];
    // Above the leaves exchanges are rare: climb while the raised count keeps
    // the order. The root's parent is the slot above it, whose count 0xFFFF
    // ends the climb there after the root is raised; so the inner loop has a
    // single exit, taken at the top or for an exchange.
    for (;;) {
      unsigned k = count[c] + 1u;
      while (k <= count[c + 1]) {
        count[c] = uint16_t(k);
        c = up[c];
        k = count[c] + 1u;
      }
      if (c > size_t(root_)) return;
      l = RunEnd(c, k);
      Exchange(c, l, k);
      c = up[l];
    }
  }

  uint16_t nodes_;  // 2 n0 - 1
  int leaves_;      // n0
  int root_;        // 2 n0 - 2
  std::vector<uint16_t> count_;
  std::vector<uint16_t> link_;
  std::vector<uint16_t> up_;
  // The decoder's shortcut through the first kTopBits levels, which change
  // rarely: for each value of the next kTopBits bits, the node the walk
  // reaches (a leaf, or the node kTopBits levels down) in the low 16 bits and
  // the bits taken above them. inTop_ marks the internal nodes the table
  // passes through, topFloor_ is the lowest of them (kNoTop before the first
  // build), and topStale_ asks for a new table before the next walk.
  uint16_t topFloor_ = kNoTop;
  bool topStale_ = true;
  std::vector<uint8_t> inTop_;
  uint32_t top_[kTopSize];
};
