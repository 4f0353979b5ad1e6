// TStreamObfuscated: the position-keyed scrambling stream, transforming whole buffers at a time.
#include <array>
#include <cstring>

#include "engine/Rand.h"
#include "soup/Stream.h"

namespace {

// The XOR term (p & 0xFF) ^ ror8(k, (p / 3) & 7) repeats every 768 positions
// (768 is a multiple of 256 and of 3 * 8), and the rotation (S + p) & 7 every
// 8, so a buffer is transformed 8 bytes at a time: one 64-bit word holds the
// eight rotation amounts of consecutive positions, applied as conditional
// rotations by 1, 2 and 4 selected per byte lane.
constexpr size_t kPeriod = 768;

uint8_t Ror8(uint8_t x, unsigned r)
{
    r &= 7;
    return r ? uint8_t((x >> r) | (x << (8 - r))) : x;
}

uint8_t Rol8(uint8_t x, unsigned r)
{
    r &= 7;
    return r ? uint8_t((x << r) | (x >> (8 - r))) : x;
}

struct Pattern {
    std::array<uint8_t, 2 * kPeriod> xorTerm;  // two periods, so any 768-byte slice is contiguous
    uint64_t lane1 = 0, lane2 = 0, lane4 = 0;  // byte lanes whose rotation has bit 1, 2, 4 set

    Pattern(uint32_t seed, uint32_t position)
    {
        const uint8_t k = uint8_t(seed);
        for (size_t q = 0; q < kPeriod; ++q) {
            xorTerm[q] = xorTerm[q + kPeriod] = uint8_t(q) ^ Ror8(k, unsigned(q / 3) & 7);
        }
        for (unsigned j = 0; j < 8; ++j) {
            const unsigned r = (seed + position + j) & 7;
            const uint64_t lane = uint64_t(0xFF) << (8 * j);
            if (r & 1) lane1 |= lane;
            if (r & 2) lane2 |= lane;
            if (r & 4) lane4 |= lane;
        }
    }
};

constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
constexpr uint64_t kLow6 = 0x3F3F3F3F3F3F3F3Full;
constexpr uint64_t kLow4 = 0x0F0F0F0F0F0F0F0Full;

inline uint64_t RorLanes(uint64_t x, const Pattern& pat)
{
    x = (x & ~pat.lane1) | ((((x >> 1) & kLow7) | ((x << 7) & ~kLow7)) & pat.lane1);
    x = (x & ~pat.lane2) | ((((x >> 2) & kLow6) | ((x << 6) & ~kLow6)) & pat.lane2);
    x = (x & ~pat.lane4) | ((((x >> 4) & kLow4) | ((x << 4) & ~kLow4)) & pat.lane4);
    return x;
}

inline uint64_t RolLanes(uint64_t x, const Pattern& pat)
{
    x = (x & ~pat.lane1) | ((((x << 1) & ~0x0101010101010101ull) | ((x >> 7) & 0x0101010101010101ull)) & pat.lane1);
    x = (x & ~pat.lane2) | ((((x << 2) & ~0x0303030303030303ull) | ((x >> 6) & 0x0303030303030303ull)) & pat.lane2);
    x = (x & ~pat.lane4) | ((((x << 4) & ~kLow4) | ((x >> 4) & kLow4)) & pat.lane4);
    return x;
}

// Transforms count bytes starting at inner position `position`, which must not
// wrap past 2^32 within the call.
template <bool kScramble>
void Transform(uint8_t* data, size_t count, uint32_t seed, uint32_t position)
{
    const Pattern pat(seed, position);
    size_t q = position % kPeriod;
    size_t i = 0;
    while (count - i >= 8) {
        // A block of whole words that stays within one 768-byte slice of the table.
        const size_t words = std::min((count - i) / 8, kPeriod / 8);
        const uint8_t* term = pat.xorTerm.data() + q;
        for (size_t w = 0; w < words; ++w) {
            uint64_t x, m;
            std::memcpy(&x, data + i + 8 * w, 8);
            std::memcpy(&m, term + 8 * w, 8);
            x = kScramble ? (RorLanes(x, pat) ^ m) : RolLanes(x ^ m, pat);
            std::memcpy(data + i + 8 * w, &x, 8);
        }
        i += 8 * words;
        q = (q + 8 * words) % kPeriod;
    }
    for (; i < count; ++i) {
        const uint32_t p = position + uint32_t(i);
        const uint8_t term = pat.xorTerm[q];
        q = q + 1 == kPeriod ? 0 : q + 1;
        data[i] = kScramble ? uint8_t(term ^ Ror8(data[i], seed + p)) : Rol8(uint8_t(data[i] ^ term), seed + p);
    }
}

template <bool kScramble>
void TransformWrapping(uint8_t* data, size_t count, uint32_t seed, uint32_t position)
{
    while (count) {
        // Split where the 32-bit position wraps: 2^32 is not a multiple of 768.
        const uint64_t untilWrap = (uint64_t(1) << 32) - position;
        const size_t take = count < untilWrap ? count : size_t(untilWrap);
        Transform<kScramble>(data, take, seed, position);
        data += take;
        count -= take;
        position += uint32_t(take);
    }
}

constexpr size_t kChunk = 64 * 1024;

}  // namespace

void TStreamObfuscated::ScrambleBytes(uint8_t* data, size_t count, uint32_t seed, uint32_t position)
{
    TransformWrapping<true>(data, count, seed, position);
}

void TStreamObfuscated::UnscrambleBytes(uint8_t* data, size_t count, uint32_t seed, uint32_t position)
{
    TransformWrapping<false>(data, count, seed, position);
}

bool TStreamObfuscated::Start(Direction direction, TStream* inner, int mode)
{
    inner_ = inner;
    direction_ = direction;
    mode_ = mode == kScrambled ? kScrambled : kPlain;
    Seek(0, kCurrent);  // empties the buffer of a previous use
    ClearError();
    if (!inner_) return false;
    if (mode_ == kScrambled) {
        const bool seedDone = direction_ == kWriting ? inner_->WriteU32(seed_) : inner_->ReadU32(seed_);
        if (!seedDone) {
            inner_ = nullptr;
            return false;
        }
    }
    position_ = uint32_t(inner_->Position());
    return true;
}

bool TStreamObfuscated::Open(Direction direction, TStream* inner, int mode)
{
    seed_ = direction == kWriting ? Nox::Rand::NextU32() : 0;
    return Start(direction, inner, mode);
}

bool TStreamObfuscated::OpenWithSeed(TStream* inner, int mode, uint32_t seed)
{
    seed_ = seed;
    return Start(kWriting, inner, mode);
}

bool TStreamObfuscated::RawAtEnd()
{
    return !inner_ || inner_->AtEnd();
}

size_t TStreamObfuscated::RawWrite(const void* data, size_t count)
{
    if (!inner_) return 0;
    if (direction_ != kWriting) {
        SetError(kWrongDirection);
        return 0;
    }
    if (mode_ == kPlain) return inner_->Write(data, count);
    const uint8_t* src = static_cast<const uint8_t*>(data);
    uint8_t temp[kChunk];
    size_t done = 0;
    while (done < count) {
        const size_t take = std::min(count - done, kChunk);
        std::memcpy(temp, src + done, take);
        ScrambleBytes(temp, take, seed_, position_);
        const size_t written = inner_->Write(temp, take);
        position_ += uint32_t(written);
        done += written;
        if (written < take) break;
    }
    return done;
}

size_t TStreamObfuscated::RawRead(void* data, size_t count)
{
    if (!inner_) return 0;
    if (direction_ != kReading) {
        SetError(kWrongDirection);
        return 0;
    }
    const size_t got = inner_->Read(data, count);
    if (mode_ == kScrambled) {
        UnscrambleBytes(static_cast<uint8_t*>(data), got, seed_, position_);
        position_ += uint32_t(got);
    }
    return got;
}

bool TStreamObfuscated::RawSeek(int64_t offset, int origin)
{
    if (!inner_ || !inner_->Seek(offset, origin)) return false;
    position_ = uint32_t(inner_->Position());
    return true;
}

int64_t TStreamObfuscated::RawTell()
{
    return inner_ ? inner_->Position() : -1;
}
