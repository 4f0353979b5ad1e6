// Encoding A (window mode 0): flag words with one-byte distances; its reader and writer.
//
// After the header byte: groups of a u32 flag word and the bytes of its items.
//   flag 0               literal: 1 byte
//   flag 1, c0 c1 c2     match; 3-bit length code, first bit is bit 0 of the code
//                        code 0-6: length = code + 3
//                        code 7:   1 byte x follows, length = x + 3
//                        then 1 byte distance d (1-255)
// Example: length 10 is code 7, extra byte 7.
#include "package/lzss/LzssFlagWords.h"
#include "package/lzss/LzssInternal.h"
#include "package/lzss/LzssParse.h"

namespace lzss {

DecodeStatus DecodeFlagsA(const uint8_t* in, size_t size, DecodeOutput& out)
{
    FlagReader reader(in, size);
    if (!reader.Start()) return DecodeStatus::kDamaged;
    while (!reader.AtEnd()) {
        unsigned bit;
        if (!reader.Bit(bit)) return DecodeStatus::kDamaged;
        if (bit == 0) {
            uint8_t literal;
            if (!reader.Byte(literal)) return DecodeStatus::kDamaged;
            if (!out.Put(literal)) return DecodeStatus::kFull;
            continue;
        }
        unsigned code = 0;
        for (unsigned i = 0; i < 3; ++i) {
            if (!reader.Bit(bit)) return DecodeStatus::kDamaged;
            code |= bit << i;
        }
        size_t length = code + kMinMatch;
        uint8_t extra, distance;
        if (code == 7) {
            if (!reader.Byte(extra)) return DecodeStatus::kDamaged;
            length = size_t(extra) + kMinMatch;
        }
        if (!reader.Byte(distance)) return DecodeStatus::kDamaged;
        const DecodeStatus status = out.Copy(distance, length);
        if (status != DecodeStatus::kOk) return status;
    }
    return DecodeStatus::kOk;
}

namespace {

struct SinkA {
    FlagWriter writer;

    void Literals(const uint8_t* bytes, size_t count)
    {
        for (size_t i = 0; i < count; ++i) {
            writer.Bit(0);
            writer.Byte(bytes[i]);
        }
    }
    void Match(size_t length, size_t distance)
    {
        const unsigned value = unsigned(length - kMinMatch);
        const unsigned code = value < 7 ? value : 7;
        writer.Bit(1);
        writer.Bit(code & 1);
        writer.Bit((code >> 1) & 1);
        writer.Bit((code >> 2) & 1);
        if (code == 7) writer.Byte(uint8_t(value));
        writer.Byte(uint8_t(distance));
    }
};

}  // namespace

void EncodeFlagsA(const uint8_t* in, size_t size, const EncodeParams& params, EncodeOutput& out)
{
    SinkA sink{FlagWriter(out)};
    GreedyParse(in, size, params, sink);
    sink.writer.Finish();
}

}  // namespace lzss
