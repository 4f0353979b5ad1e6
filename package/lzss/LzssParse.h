// The compressor's greedy parse: exact longest-match search over the window and the item sequence it yields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "package/lzss/LzssInternal.h"

namespace lzss {

// Finds, at a position, the match the format's compressor chooses: walking the
// earlier positions within the window most recent first, a candidate is taken
// when it is longer than the best so far (which starts at 2), and the walk
// stops once the best reaches min(nice length, bytes left). The result is thus
// the most recent candidate reaching that bound, or else the longest candidate,
// the most recent among equals. Lengths run up to the bytes left.
//
// Chains link positions whose first three bytes hash alike; the hash only
// decides which positions are visited, never which one wins, because a
// candidate must match at least three bytes to beat the starting best.
class MatchFinder {
 public:
    MatchFinder(const uint8_t* data, size_t size, int windowBits)
        : data_(data), size_(size), window_(size_t(1) << windowBits), mask_(window_ - 1)
    {
        int bits = 8;
        while (bits < 16 && (size_t(1) << bits) < size) ++bits;
        hashShift_ = 32 - bits;
        head_.assign(size_t(1) << bits, -1);
        prev_.assign(window_, -1);
    }

    // Enters position (which must have three bytes from it) into the chains.
    void Insert(size_t position)
    {
        const uint32_t h = Hash(position);
        prev_[position & mask_] = head_[h];
        head_[h] = int64_t(position);
    }

    // Best match at position (three or more bytes left); length 0 when none.
    void Find(size_t position, size_t nice, size_t& length, size_t& distance) const
    {
        const size_t left = size_ - position;
        const size_t stopAt = nice < left ? nice : left;
        const uint8_t* cur = data_ + position;
        const int64_t lowest = int64_t(position) - int64_t(window_ - 1);
        size_t best = 2;
        size_t bestDistance = 0;
        int64_t cand = head_[Hash(position)];
        while (cand >= lowest && cand >= 0) {
            const uint8_t* c = data_ + cand;
            // A candidate can only beat best if it matches byte best as well.
            if (c[best] == cur[best] && c[0] == cur[0] && c[1] == cur[1] && c[2] == cur[2]) {
                const size_t len = MatchLength(c, cur, left);
                if (len > best) {
                    best = len;
                    bestDistance = position - size_t(cand);
                    if (best >= stopAt) break;
                }
            }
            cand = prev_[size_t(cand) & mask_];
        }
        if (bestDistance) {
            length = best;
            distance = bestDistance;
        } else {
            length = 0;
            distance = 0;
        }
    }

 private:
    uint32_t Hash(size_t position) const
    {
        const uint8_t* p = data_ + position;
        const uint32_t key = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        return (key * 0x9E3779B1u) >> hashShift_;
    }

    static size_t MatchLength(const uint8_t* a, const uint8_t* b, size_t limit)
    {
        size_t n = 0;
        while (n + 8 <= limit) {
            uint64_t x, y;
            std::memcpy(&x, a + n, 8);
            std::memcpy(&y, b + n, 8);
            if (x != y) return n + size_t(__builtin_ctzll(x ^ y) >> 3);
            n += 8;
        }
        while (n < limit && a[n] == b[n]) ++n;
        return n;
    }

    const uint8_t* data_;
    size_t size_;
    size_t window_;
    size_t mask_;
    int hashShift_;
    std::vector<int64_t> head_;
    std::vector<int64_t> prev_;
};

// Runs the greedy parse and hands the items to sink:
//   sink.Literals(const uint8_t* bytes, size_t count)  a batch of 1..258 literals
//   sink.Match(size_t length, size_t distance)         3..258 bytes, distance 1..window-1
// Literals are batched until a match follows, 258 are pending or the input
// ends. A match is consumed whole: cut into 258-byte pieces, with a tail of
// one or two bytes left as pending literals (no search inside it); every
// position it covers still enters the chains.
template <class Sink>
void GreedyParse(const uint8_t* data, size_t size, const EncodeParams& params, Sink& sink)
{
    MatchFinder finder(data, size, params.windowBits);
    size_t pendingStart = 0;
    size_t pending = 0;
    auto addLiterals = [&](size_t at, size_t count) {
        if (pending == 0) pendingStart = at;
        while (count) {
            const size_t take = count < kMaxPiece - pending ? count : kMaxPiece - pending;
            pending += take;
            count -= take;
            if (pending == kMaxPiece) {
                sink.Literals(data + pendingStart, pending);
                pendingStart += pending;
                pending = 0;
            }
        }
    };
    const size_t lastSearch = size >= kMinMatch ? size - kMinMatch : 0;  // last position with 3 bytes
    size_t i = 0;
    while (i < size) {
        if (size - i >= kMinMatch) {
            size_t length, distance;
            finder.Find(i, params.niceLength, length, distance);
            finder.Insert(i);
            if (length >= kMinMatch) {
                if (pending) {
                    sink.Literals(data + pendingStart, pending);
                    pending = 0;
                }
                size_t rest = length;
                while (rest >= kMinMatch) {
                    const size_t piece = rest < kMaxPiece ? rest : kMaxPiece;
                    sink.Match(piece, distance);
                    rest -= piece;
                }
                const size_t end = i + length;
                const size_t insertEnd = end - 1 < lastSearch ? end - 1 : lastSearch;
                for (size_t p = i + 1; p <= insertEnd; ++p) finder.Insert(p);
                if (rest) addLiterals(end - rest, rest);
                i = end;
                continue;
            }
        }
        addLiterals(i, 1);
        ++i;
    }
    if (pending) sink.Literals(data + pendingStart, pending);
}

}  // namespace lzss
