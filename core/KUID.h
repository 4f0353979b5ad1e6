// KUID: the asset identifier (user number, content number, version) with its text and binary forms.
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

struct KUID {
    int32_t userId = -1;
    int32_t contentId = -1;
    int32_t version = 127;

    // (-1, -1, 127): stands for "no asset" and is the failure result of every KUID-returning operation.
    static const KUID Null;

    constexpr KUID() = default;
    constexpr KUID(int32_t user, int32_t content, int32_t ver) : userId(user), contentId(content), version(ver) {}

    // Parses "<kuid:U:C>", "<kuid2:U:C:V>", "kuid:U:C", "kuid2:U:C:V" and "<NULL>"; numbers are read
    // like C's %d. Strict mode (command-line KUIDs) accepts only the tagged forms with plain digits;
    // lenient mode (files, soups) also accepts "U:C", "<U:C>", "<U:C" and a bare content number.
    // Every malformed, out-of-range or absent (nullptr) text yields KUID::Null.
    static KUID Parse(const char* text, bool strict);
    static KUID Parse(std::string_view text, bool strict);

    // True for the triples a parse keeps: a 25-bit user number (or a negative one with version 127)
    // and a version of 0..127.
    bool IsValid() const;
    bool IsNull() const { return *this == Null; }
    // Unversioned form: version 0 with userId >= 0, or version 127 with userId < 0.
    bool IsKuidForm() const;

    // "<kuid:%d:%d>" or "<kuid2:%d:%d:%d>"; "<NULL>" for the null KUID.
    std::string ToTagText() const;
    // "kuid %d %d" or "kuid2 %d %d %d"; "NULLKUID" for the null KUID.
    std::string ToSpacedText() const;

    // (version << 25) | (userId & 0x1FFFFFF).
    uint32_t PackedWord() const;
    static KUID FromPackedWord(uint32_t word, int32_t contentId);

    // Soup form, 8 bytes little-endian:  +0 packed word  +4 contentId.
    std::array<uint8_t, 8> Pack() const;
    // Any length but 8 yields KUID::Null.
    static KUID Unpack(std::span<const uint8_t> bytes);

    // Index/stream form, 8 bytes little-endian:  +0 contentId  +4 packed word (opposite order).
    std::array<uint8_t, 8> ToStreamBytes() const;
    // Any length but 8 yields KUID::Null.
    static KUID FromStreamBytes(std::span<const uint8_t> bytes);
    // The stream form on a byte stream whose Read/Write(data, count) return the count moved (the
    // streams of the soup layer). A short read gives KUID::Null; a KUID that ends the stream exactly
    // reads as itself.
    template <typename Stream>
    bool WriteToStream(Stream& stream) const
    {
        const std::array<uint8_t, 8> bytes = ToStreamBytes();
        return stream.Write(bytes.data(), bytes.size()) == bytes.size();
    }
    template <typename Stream>
    static KUID ReadFromStream(Stream& stream)
    {
        std::array<uint8_t, 8> bytes{};
        if (stream.Read(bytes.data(), bytes.size()) != bytes.size())
            return Null;
        return FromStreamBytes(bytes);
    }

    friend constexpr bool operator==(const KUID&, const KUID&) = default;
    // Total order: userId, then contentId, then version.
    friend constexpr auto operator<=>(const KUID&, const KUID&) = default;
};

inline constexpr KUID KUID::Null{-1, -1, 127};

template <>
struct std::hash<KUID> {
    size_t operator()(const KUID& k) const noexcept
    {
        uint64_t h = (uint64_t(uint32_t(k.userId)) << 32) ^ uint32_t(k.contentId);
        h ^= uint64_t(uint32_t(k.version)) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
        h *= 0xBF58476D1CE4E5B9ull;
        h ^= h >> 32;
        return size_t(h);
    }
};
