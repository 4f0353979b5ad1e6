// Encoding C (window modes 1 and 2, levels 7-9): adaptive Huffman bit stream; its reader and writer.
//
// After the header byte: a bit stream read from bit 0 of each byte upwards,
// written in 16-bit little-endian units with the last unit padded with zeros.
// Two adaptive models: literal/length (273 symbols) and distance (64 symbols).
// A symbol is its tree path, root first, 0 = first child, 1 = second child.
//   0-255     literal byte
//   256-271   length code t, then e(t) extra bits (LSB first);
//             length = base(t) + extra + 3; then a distance symbol s and
//             k raw bits (LSB first, k = 6 or 8): distance = ((s << k) + bits) & (window - 1)
//   272       end of data
//   t:    0 1 2 3 4 5 6 7 8  9  10 11 12 13 14 15
//   base: 0 1 2 3 4 5 7 9 13 17 25 33 49 65 97 129
//   e:    0 0 0 0 0 1 1 2 2  3  3  4  4  5  5  7
// The stream may end at a symbol boundary without the end symbol.
#include "package/lzss/AdaptiveHuffman.h"
#include "package/lzss/LzssInternal.h"
#include "package/lzss/LzssParse.h"

namespace lzss {

namespace {

constexpr int kLiteralSymbols = 273;
constexpr int kEndSymbol = 272;
constexpr int kFirstLength = 256;
constexpr int kDistanceSymbols = 64;
constexpr uint16_t kLengthBase[16] = {0, 1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129};
constexpr uint8_t kLengthExtra[16] = {0, 0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 7};

// Reads bits least significant first; tells apart running out at an item
// boundary (a clean end) and running out inside an item (damage). At most 63
// bits are counted, so a shift by the buffered count is always defined.
class BitReader {
 public:
    BitReader(const uint8_t* in, size_t size) : p_(in), end_(in + size) {}

    bool Empty() const { return count_ == 0 && p_ == end_; }
    bool Bits(unsigned n, unsigned& value)
    {
        if (count_ < n) {
            Refill();
            if (count_ < n) return false;
        }
        value = unsigned(bits_ & ((uint64_t(1) << n) - 1));
        bits_ >>= n;
        count_ -= n;
        return true;
    }
    // Walks the tree from the root, one bit per level, to a leaf and returns
    // the leaf's position.
    bool Leaf(AdaptiveHuffmanTree& tree, int& leaf)
    {
        if (end_ - p_ >= 8) {
            // Branch-free top-up to 56-63 bits. The buffer's bits above the
            // count are the stream's next bits too, so or-ing them in again
            // later changes nothing.
            uint64_t word;
            std::memcpy(&word, p_, 8);
            bits_ |= word << count_;
            p_ += (63 - count_) >> 3;
            count_ |= 56;
        } else {
            Refill();
        }
        // The buffer now holds more than 48 bits unless the input is used up,
        // and no tree is that deep, so a walk that takes more bits than are
        // buffered means the stream ended inside the symbol. (Whatever the
        // bits, the walk ends at a leaf.)
        unsigned depth;
        leaf = tree.Descend(bits_, depth);
        if (depth > count_) return false;
        bits_ >>= depth;
        count_ -= depth;
        return true;
    }

 private:
    void Refill()
    {
        if (end_ - p_ >= 8 && count_ <= 48) {
            uint64_t word;
            std::memcpy(&word, p_, 8);
            const unsigned take = (56 - count_) / 8;
            bits_ |= (word & ((uint64_t(1) << (8 * take)) - 1)) << count_;
            p_ += take;
            count_ += 8 * take;
            return;
        }
        while (count_ <= 48 && p_ != end_) {
            bits_ |= uint64_t(*p_++) << count_;
            count_ += 8;
        }
    }

    const uint8_t* p_;
    const uint8_t* end_;
    uint64_t bits_ = 0;
    unsigned count_ = 0;
};

class BitWriter {
 public:
    explicit BitWriter(EncodeOutput& out) : out_(out) {}

    void Bits(uint64_t value, unsigned n)
    {
        while (n) {
            const unsigned take = n < 32 ? n : 32;
            bits_ |= (value & ((uint64_t(1) << take) - 1)) << count_;
            count_ += take;
            value >>= take;
            n -= take;
            while (count_ >= 16) {
                out_.Put(uint8_t(bits_));
                out_.Put(uint8_t(bits_ >> 8));
                bits_ >>= 16;
                count_ -= 16;
            }
        }
    }
    // Pads the last 16-bit unit with zero bits.
    void Finish()
    {
        if (count_) Bits(0, 16 - count_);
    }

 private:
    EncodeOutput& out_;
    uint64_t bits_ = 0;
    unsigned count_ = 0;
};

// Reads one symbol and counts it in the model. Forced inline: the reader's
// bit buffer then stays in registers across the decode loop.
[[gnu::always_inline]] inline bool ReadSymbol(BitReader& reader, AdaptiveHuffmanTree& tree, int& symbol)
{
    int leaf;
    if (!reader.Leaf(tree, leaf)) return false;
    symbol = tree.SymbolAt(leaf);
    tree.UpdateLeaf(leaf);
    return true;
}

struct LengthCodes {
    uint8_t code[256];
    constexpr LengthCodes() : code()
    {
        for (int t = 0; t < 16; ++t) {
            const int end = t == 15 ? 256 : kLengthBase[t + 1];
            for (int v = kLengthBase[t]; v < end; ++v) code[v] = uint8_t(t);
        }
    }
};
constexpr LengthCodes kLengthCodes;

struct SinkC {
    SinkC(EncodeOutput& out, unsigned bits) : writer(out), distanceBits(bits) {}

    BitWriter writer;
    AdaptiveHuffmanTree literals{kLiteralSymbols};
    AdaptiveHuffmanTree distances{kDistanceSymbols};
    unsigned distanceBits;

    void Symbol(AdaptiveHuffmanTree& tree, int symbol)
    {
        uint64_t code;
        const int length = tree.Code(symbol, code);
        writer.Bits(code, unsigned(length));
        tree.Update(symbol);
    }
    void Literals(const uint8_t* bytes, size_t count)
    {
        for (size_t i = 0; i < count; ++i) Symbol(literals, bytes[i]);
    }
    void Match(size_t length, size_t distance)
    {
        const unsigned value = unsigned(length - kMinMatch);
        const unsigned t = kLengthCodes.code[value];
        Symbol(literals, kFirstLength + int(t));
        writer.Bits(value - kLengthBase[t], kLengthExtra[t]);
        Symbol(distances, int(distance >> distanceBits));
        writer.Bits(distance & ((1u << distanceBits) - 1), distanceBits);
    }
};

}  // namespace

DecodeStatus DecodeHuffmanC(const uint8_t* in, size_t size, int windowBits, DecodeOutput& out)
{
    const unsigned distanceBits = unsigned(windowBits) - 6;
    const size_t windowMask = (size_t(1) << windowBits) - 1;
    AdaptiveHuffmanTree literals(kLiteralSymbols);
    AdaptiveHuffmanTree distances(kDistanceSymbols);
    BitReader reader(in, size);
    while (!reader.Empty()) {
        int symbol;
        if (!ReadSymbol(reader, literals, symbol)) return DecodeStatus::kDamaged;
        if (symbol < kFirstLength) {
            if (!out.Put(uint8_t(symbol))) return DecodeStatus::kFull;
            continue;
        }
        if (symbol == kEndSymbol) return DecodeStatus::kOk;
        // The model's padding leaf (273) has no meaning; only a damaged stream reaches it.
        if (symbol > kEndSymbol) return DecodeStatus::kDamaged;
        const int t = symbol - kFirstLength;
        unsigned extra = 0;
        if (!reader.Bits(kLengthExtra[t], extra)) return DecodeStatus::kDamaged;
        const size_t length = kLengthBase[t] + extra + kMinMatch;
        int slot;
        unsigned low = 0;
        if (!ReadSymbol(reader, distances, slot)) return DecodeStatus::kDamaged;
        if (!reader.Bits(distanceBits, low)) return DecodeStatus::kDamaged;
        const size_t distance = ((size_t(slot) << distanceBits) + low) & windowMask;
        const DecodeStatus status = out.Copy(distance, length);
        if (status != DecodeStatus::kOk) return status;
    }
    return DecodeStatus::kOk;
}

void EncodeHuffmanC(const uint8_t* in, size_t size, const EncodeParams& params, EncodeOutput& out)
{
    SinkC sink(out, unsigned(params.windowBits) - 6);
    GreedyParse(in, size, params, sink);
    sink.Symbol(sink.literals, kEndSymbol);
    sink.writer.Finish();
}

}  // namespace lzss
