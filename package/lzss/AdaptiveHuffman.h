// AdaptiveHuffmanTree: the adaptive Huffman model shared by the encoder and decoder of encoding C.
#pragma once

#include <cstdint>
#include <vector>

// The nodes are kept in ascending order of count; the root is the last node.
// A node's link is either a leaf marker (kLeaf | symbol) or the index of its
// first child, the second child being the next node. Encoder and decoder stay
// in step only when they start from the same state and update identically, so
// every step here is fixed: the initial tree, the update with its exchanges,
// and the in-place rebuild when the root count passes 0x7FFF.
class AdaptiveHuffmanTree {
 public:
  static constexpr uint16_t kLeaf = 0x8000;
  static constexpr uint32_t kRebuildAbove = 0x7FFF;

  // symbols: the alphabet size (rounded up to an even number of leaves).
  explicit AdaptiveHuffmanTree(int symbols);

  // Back to the initial state: every leaf count 1, internal node n0 + m joins 2m and 2m + 1.
  void Reset();
  // Counts one more occurrence of symbol (rebuilding first when the root count is above 0x7FFF).
  void Update(int symbol);

  int Root() const noexcept { return root_; }
  bool IsLeaf(int node) const noexcept { return (link_[node] & kLeaf) != 0; }
  // For an internal node: its first child. For a leaf: kLeaf | symbol.
  uint16_t Link(int node) const noexcept { return link_[node]; }
  const uint16_t* Links() const noexcept { return link_.data(); }
  int LeafOf(int symbol) const noexcept { return leafPos_[symbol]; }
  int Parent(int node) const noexcept { return parent_[node]; }
  uint32_t Count(int node) const noexcept { return count_[node]; }
  int NodeCount() const noexcept { return root_ + 1; }

  // The code of a symbol, root first, packed so that the root's bit is bit 0.
  // Returns the code length in bits (at most 64 codes bits fit; deeper trees
  // are not reachable with counts bounded by the rebuild).
  int Code(int symbol, uint64_t& bits) const noexcept;

 private:
  static constexpr uint16_t kUnassigned = 0xFFFF;

  void Rebuild();
  int LastBelow(int from, uint32_t k) const noexcept;
  // Points the children of link (or the leaf's symbol) at position.
  void Relink(uint16_t link, int position) noexcept;

  int leaves_;  // n0
  int root_;    // 2 n0 - 2
  std::vector<uint32_t> count_;
  std::vector<uint16_t> link_;
  std::vector<uint16_t> parent_;
  std::vector<uint16_t> leafPos_;
};
