// Encoding B (window modes 1 and 2, levels 1-6): flag words with packed match words; its reader and writer.
//
// After the header byte: groups of a u32 flag word and the bytes of its items.
// c = window bits (12 or 14), M = 2^(16-c) - 1 (15 or 3).
//   flag 1         match: u16 w; distance = w & (2^c - 1), code = w >> c;
//                  code M: 1 byte follows holding the code instead; length = code + 3
//   flag 0, 0      literal: 1 byte
//   flag 0, 1      literal run: 1 byte x, then x + 3 literal bytes
// The writer sends fewer than 6 pending literals singly, 6 or more as one run.
#include "package/lzss/LzssFlagWords.h"
#include "package/lzss/LzssInternal.h"
#include "package/lzss/LzssParse.h"

namespace lzss {

namespace {
constexpr size_t kMinRun = 6;
}

DecodeStatus DecodeFlagsB(const uint8_t* in, size_t size, int windowBits, DecodeOutput& out)
{
    const unsigned distanceMask = (1u << windowBits) - 1;
    const unsigned codeMask = (1u << (16 - windowBits)) - 1;
    FlagReader reader(in, size);
    if (!reader.Start()) return DecodeStatus::kDamaged;
    while (!reader.AtEnd()) {
        unsigned bit;
        if (!reader.Bit(bit)) return DecodeStatus::kDamaged;
        if (bit == 1) {
            const uint8_t* w = reader.Bytes(2);
            if (!w) return DecodeStatus::kDamaged;
            const unsigned word = unsigned(w[0]) | unsigned(w[1]) << 8;
            unsigned code = (word >> windowBits) & codeMask;
            if (code == codeMask) {
                uint8_t extra;
                if (!reader.Byte(extra)) return DecodeStatus::kDamaged;
                code = extra;
            }
            const DecodeStatus status = out.Copy(word & distanceMask, code + kMinMatch);
            if (status != DecodeStatus::kOk) return status;
            continue;
        }
        if (!reader.Bit(bit)) return DecodeStatus::kDamaged;
        if (bit == 0) {
            uint8_t literal;
            if (!reader.Byte(literal)) return DecodeStatus::kDamaged;
            if (!out.Put(literal)) return DecodeStatus::kFull;
            continue;
        }
        uint8_t x;
        if (!reader.Byte(x)) return DecodeStatus::kDamaged;
        const size_t count = size_t(x) + kMinMatch;
        const uint8_t* run = reader.Bytes(count);
        if (!run) return DecodeStatus::kDamaged;
        if (!out.Put(run, count)) return DecodeStatus::kFull;
    }
    return DecodeStatus::kOk;
}

namespace {

struct SinkB {
    FlagWriter writer;
    int windowBits;

    void Literals(const uint8_t* bytes, size_t count)
    {
        if (count < kMinRun) {
            for (size_t i = 0; i < count; ++i) {
                writer.Bit(0);
                writer.Bit(0);
                writer.Byte(bytes[i]);
            }
            return;
        }
        writer.Bit(0);
        writer.Bit(1);
        writer.Byte(uint8_t(count - kMinMatch));
        writer.Bytes(bytes, count);
    }
    void Match(size_t length, size_t distance)
    {
        const unsigned codeMask = (1u << (16 - windowBits)) - 1;
        const unsigned value = unsigned(length - kMinMatch);
        const unsigned field = value < codeMask ? value : codeMask;
        const unsigned word = (field << windowBits) | unsigned(distance);
        writer.Bit(1);
        writer.Byte(uint8_t(word));
        writer.Byte(uint8_t(word >> 8));
        if (field == codeMask) writer.Byte(uint8_t(value));
    }
};

}  // namespace

void EncodeFlagsB(const uint8_t* in, size_t size, const EncodeParams& params, EncodeOutput& out)
{
    SinkB sink{FlagWriter(out), params.windowBits};
    GreedyParse(in, size, params, sink);
    sink.writer.Finish();
}

}  // namespace lzss
