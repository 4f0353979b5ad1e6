// LZSS block codec entry points: header byte, choice of mode and level, stored fallback, decoder dispatch.
#include "package/lzss/Lzss.h"

#include <cstring>

#include "package/lzss/LzssInternal.h"

namespace {

using lzss::DecodeStatus;

constexpr size_t kStoreAtOrBelow = 6;    // inputs this short are always stored
constexpr size_t kSmallInput = 256;      // below this: window mode 0, level at most 6
constexpr int kSmallInputMaxLevel = 6;

size_t WriteStored(uint8_t* out, size_t capacity, const uint8_t* in, size_t size)
{
    if (capacity < 1 || size > capacity - 1) return 0;
    out[0] = 0;
    if (size) std::memcpy(out + 1, in, size);
    return size + 1;
}

// The mode and level rules: levels 1-3 use window mode 1, levels 4-9 mode 2;
// an input under 256 bytes uses mode 0 at level 6 or below; a window at least
// as large as the input steps the mode down once.
lzss::EncodeParams ChooseParams(size_t size, int level)
{
    lzss::EncodeParams params{};
    params.level = level;
    params.mode = level <= 3 ? 1 : 2;
    if (size < kSmallInput) {
        params.mode = 0;
        if (params.level > kSmallInputMaxLevel) params.level = kSmallInputMaxLevel;
    } else if ((size_t(1) << lzss::kWindowBits[params.mode]) >= size) {
        --params.mode;
    }
    params.windowBits = lzss::kWindowBits[params.mode];
    params.niceLength = lzss::kNiceLength[params.level];
    return params;
}

DecodeStatus Decode(uint8_t* out, size_t capacity, const uint8_t* in, size_t size, size_t& produced)
{
    produced = 0;
    if (size == 0) return DecodeStatus::kDamaged;
    const int level = in[0] & 0x0F;
    const int mode = (in[0] >> 4) & 0x03;  // bits 6-7 are ignored
    const uint8_t* data = in + 1;
    const size_t dataSize = size - 1;
    if (level == 0) {
        if (dataSize > capacity) return DecodeStatus::kFull;
        if (dataSize) std::memcpy(out, data, dataSize);
        produced = dataSize;
        return DecodeStatus::kOk;
    }
    if (mode == 3) return DecodeStatus::kDamaged;
    lzss::DecodeOutput output{out, capacity};
    DecodeStatus status;
    if (mode == 0) {
        status = lzss::DecodeFlagsA(data, dataSize, output);
    } else if (level <= 6) {
        status = lzss::DecodeFlagsB(data, dataSize, lzss::kWindowBits[mode], output);
    } else {
        status = lzss::DecodeHuffmanC(data, dataSize, lzss::kWindowBits[mode], output);
    }
    produced = output.size;
    return status;
}

}  // namespace

size_t LzssCompressBlock(uint8_t* out, size_t capacity, const uint8_t* in, size_t size, int level)
{
    if (level > lzss::kMaxLevel) level = lzss::kMaxLevel;
    if (level <= 0 || size <= kStoreAtOrBelow || capacity < 2) return WriteStored(out, capacity, in, size);
    const lzss::EncodeParams params = ChooseParams(size, level);
    out[0] = uint8_t(params.mode << 4 | params.level);
    lzss::EncodeOutput output{out + 1, capacity - 1};
    if (params.level >= 7) {
        lzss::EncodeHuffmanC(in, size, params, output);
    } else if (params.mode == 0) {
        lzss::EncodeFlagsA(in, size, params, output);
    } else {
        lzss::EncodeFlagsB(in, size, params, output);
    }
    if (output.overflow) return WriteStored(out, capacity, in, size);
    return output.size + 1;
}

std::optional<size_t> LzssDecompressBlock(uint8_t* out, size_t capacity, const uint8_t* in, size_t size)
{
    size_t produced;
    if (Decode(out, capacity, in, size, produced) != DecodeStatus::kOk) return std::nullopt;
    return produced;
}

std::vector<uint8_t> LzssCompress(std::span<const uint8_t> data, int level)
{
    std::vector<uint8_t> out(LzssCompressBound(data.size()));
    out.resize(LzssCompressBlock(out.data(), out.size(), data.data(), data.size(), level));
    return out;
}

std::optional<std::vector<uint8_t>> LzssDecompress(std::span<const uint8_t> stream, size_t expectedSize)
{
    std::vector<uint8_t> out(expectedSize);
    const std::optional<size_t> produced = LzssDecompressBlock(out.data(), out.size(), stream.data(), stream.size());
    if (!produced || *produced != expectedSize) return std::nullopt;
    return out;
}

std::optional<std::vector<uint8_t>> LzssDecompressAll(std::span<const uint8_t> stream, size_t maxSize)
{
    size_t capacity = stream.size() * 4 + 64;
    for (;;) {
        if (capacity > maxSize) capacity = maxSize;
        std::vector<uint8_t> out(capacity);
        size_t produced;
        const DecodeStatus status = Decode(out.data(), out.size(), stream.data(), stream.size(), produced);
        if (status == DecodeStatus::kOk) {
            out.resize(produced);
            return out;
        }
        if (status == DecodeStatus::kDamaged || capacity == maxSize) return std::nullopt;
        capacity *= 2;
    }
}
