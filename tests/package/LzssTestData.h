// Seeded generators of the codec test inputs: configuration-like text, float-array binary, random bytes.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace lzsstest {

// splitmix64: the same sequence on every platform, unlike the std distributions.
struct Rng {
    uint64_t state;
    explicit Rng(uint64_t seed) : state(seed) {}
    uint64_t Next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t Below(uint32_t n) { return uint32_t(Next() % n); }
};

enum class Kind { kText, kBinary, kRandom };

inline const char* KindName(Kind kind)
{
    switch (kind) {
        case Kind::kText: return "text";
        case Kind::kBinary: return "binary";
        default: return "random";
    }
}

inline std::vector<uint8_t> Text(size_t size, uint64_t seed)
{
    static const char* const kWords[] = {
        "kuid", "container", "mesh-table", "default", "mesh", "auto-create", "1", "0", "kind",
        "scenery", "username", "category-class", "BR", "trackside", "light", "effects", "name",
        "texture", "body.im", "lod-level", "attachment", "a.light0", "anim", "frame-rate", "30",
        "description", "The", "station", "platform", "with", "lamps", "and", "benches", "for",
        "passengers", "thumbnails", "image", "width", "240", "height", "180", "obsolete-table",
    };
    constexpr size_t kCount = sizeof(kWords) / sizeof(kWords[0]);
    Rng rng(seed);
    std::string out;
    out.reserve(size + 64);
    int depth = 0;
    while (out.size() < size) {
        out.append(size_t(depth) * 2, ' ');
        const uint32_t pick = rng.Below(10);
        if (pick == 0 && depth < 4) {
            out += kWords[rng.Below(kCount)];
            out += "\r\n";
            out.append(size_t(depth) * 2, ' ');
            out += "{\r\n";
            ++depth;
        } else if (pick == 1 && depth > 0) {
            --depth;
            out.resize(out.size() - 2);
            out += "}\r\n";
        } else {
            out += kWords[rng.Below(kCount)];
            out.append(size_t(20 - out.size() % 8), ' ');
            if (pick < 5) {
                out += "<kuid:" + std::to_string(rng.Below(600000)) + ":" + std::to_string(rng.Below(100000)) + ">";
            } else {
                out += "\"" + std::string(kWords[rng.Below(kCount)]) + " " + kWords[rng.Below(kCount)] + "\"";
            }
            out += "\r\n";
        }
    }
    out.resize(size);
    return std::vector<uint8_t>(out.begin(), out.end());
}

// Vertex-like records of float32 values: smooth positions with noise.
inline std::vector<uint8_t> Binary(size_t size, uint64_t seed)
{
    Rng rng(seed);
    std::vector<uint8_t> out(size);
    size_t at = 0;
    for (uint32_t i = 0; at < size; ++i) {
        const float values[4] = {
            float(std::sin(i * 0.01)) * 100.0f,
            float(i % 64) * 0.5f,
            float(int(rng.Below(8))) * 0.25f,
            1.0f,
        };
        for (float v : values) {
            uint8_t bytes[4];
            std::memcpy(bytes, &v, 4);
            for (uint8_t b : bytes) {
                if (at < size) out[at++] = b;
            }
        }
    }
    return out;
}

inline std::vector<uint8_t> Random(size_t size, uint64_t seed)
{
    Rng rng(seed);
    std::vector<uint8_t> out(size);
    for (auto& b : out) b = uint8_t(rng.Next() >> 24);
    return out;
}

inline std::vector<uint8_t> Make(Kind kind, size_t size, uint64_t seed)
{
    switch (kind) {
        case Kind::kText: return Text(size, seed);
        case Kind::kBinary: return Binary(size, seed);
        default: return Random(size, seed);
    }
}

}  // namespace lzsstest
