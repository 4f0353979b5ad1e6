// Internals shared by the LZSS units: stream constants, the bounded output, and the per-encoding entry points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lzss {

constexpr int kMaxLevel = 9;
constexpr size_t kMaxPiece = 258;  // longest match item the writers emit
constexpr size_t kMinMatch = 3;

// Window mode -> window bits (256, 4096 and 16384 bytes); mode 3 is invalid.
constexpr int kWindowBits[3] = {8, 12, 14};
// Nice length by level: the chain search stops once a match is this long.
constexpr size_t kNiceLength[kMaxLevel + 1] = {0, 8, 16, 32, 64, 128, 256, 64, 128, 256};

enum class DecodeStatus { kOk, kDamaged, kFull };

// The decoder's output: every write is checked against the capacity, every
// match against the bytes produced so far.
struct DecodeOutput {
    uint8_t* base;
    size_t capacity;
    size_t size = 0;

    bool Put(uint8_t byte)
    {
        if (size >= capacity) return false;
        base[size++] = byte;
        return true;
    }
    bool Put(const uint8_t* bytes, size_t count)
    {
        if (count > capacity - size) return false;
        std::memcpy(base + size, bytes, count);
        size += count;
        return true;
    }
    // Copies length bytes from distance back, byte by byte in effect, so a
    // distance shorter than the length repeats the copied bytes.
    DecodeStatus Copy(size_t distance, size_t length)
    {
        if (distance == 0 || distance > size) return DecodeStatus::kDamaged;
        if (length > capacity - size) return DecodeStatus::kFull;
        uint8_t* dst = base + size;
        const uint8_t* src = dst - distance;
        if (distance >= length) {
            std::memcpy(dst, src, length);
        } else if (distance == 1) {
            std::memset(dst, src[0], length);
        } else {
            for (size_t i = 0; i < length; ++i) dst[i] = src[i];
        }
        size += length;
        return DecodeStatus::kOk;
    }
};

// The writers' output: bytes past the capacity are not written; the stream
// then "does not fit" and the caller falls back to the stored form.
struct EncodeOutput {
    uint8_t* base;
    size_t capacity;
    size_t size = 0;
    bool overflow = false;

    void Put(uint8_t byte)
    {
        if (size < capacity) base[size++] = byte;
        else overflow = true;
    }
    void Put(const uint8_t* data, size_t count)
    {
        if (count > capacity - size) { overflow = true; return; }
        std::memcpy(base + size, data, count);
        size += count;
    }
    // Reserves count bytes (filled in later with PutAt); false when they do not fit.
    bool Reserve(size_t count, size_t& at)
    {
        if (count > capacity - size) { overflow = true; return false; }
        at = size;
        size += count;
        return true;
    }
    void PutU32At(size_t at, uint32_t value)
    {
        if (overflow) return;
        base[at] = uint8_t(value);
        base[at + 1] = uint8_t(value >> 8);
        base[at + 2] = uint8_t(value >> 16);
        base[at + 3] = uint8_t(value >> 24);
    }
};

// Parameters the compressor settled on for one input.
struct EncodeParams {
    int mode;            // 0, 1 or 2
    int level;           // 1..9 after lowering
    int windowBits;      // 8, 12 or 14
    size_t niceLength;
};

// Decoders of the data after the header byte.
DecodeStatus DecodeFlagsA(const uint8_t* in, size_t size, DecodeOutput& out);
DecodeStatus DecodeFlagsB(const uint8_t* in, size_t size, int windowBits, DecodeOutput& out);
DecodeStatus DecodeHuffmanC(const uint8_t* in, size_t size, int windowBits, DecodeOutput& out);

// Writers of the data after the header byte; they stop writing at the capacity
// and set out.overflow.
void EncodeFlagsA(const uint8_t* in, size_t size, const EncodeParams& params, EncodeOutput& out);
void EncodeFlagsB(const uint8_t* in, size_t size, const EncodeParams& params, EncodeOutput& out);
void EncodeHuffmanC(const uint8_t* in, size_t size, const EncodeParams& params, EncodeOutput& out);

}  // namespace lzss
