// A sample asset index and a straight-line encoder of assets.tdx for any version 20..36, kept
// apart from the product's field tables so that tests compare two independent encodings.
#pragma once

#include "assetdb/AssetIndex.h"
#include "soup/SoupRef.h"
#include "soup/Stream.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace sample {

struct Bytes {
    std::vector<uint8_t> b;
    void raw(const void* p, size_t n) { b.insert(b.end(), (const uint8_t*)p, (const uint8_t*)p + n); }
    void u8(uint8_t v) { b.push_back(v); }
    void u16(uint16_t v) { raw(&v, 2); }
    void u32(uint32_t v) { raw(&v, 4); }
    void i32(int32_t v) { raw(&v, 4); }
    void u64(uint64_t v) { raw(&v, 8); }
    void f32(float v) { raw(&v, 4); }
    void boolean(bool v) { u8(v ? 1 : 0); }
    void text(const std::string& s) { u32(uint32_t(s.size())); raw(s.data(), s.size()); }
    void lstr(const std::string& s)
    {
        if (s.empty()) {
            u32(0);
            return;
        }
        u32(uint32_t(s.size() + 1));
        raw(s.c_str(), s.size() + 1);
    }
    // content id, then (version << 25) | (user & 0x1FFFFFF)
    void kuid(const KUID& k)
    {
        u32(uint32_t(k.contentId));
        u32((uint32_t(k.version) << 25) | (uint32_t(k.userId) & 0x1FFFFFF));
    }
};

// The settings soup: internet { language "de" }, in chunked form with its 16-byte header.
inline std::vector<uint8_t> SettingsSoupBytes()
{
    Bytes inner;  // record: language = "de"
    inner.u32(1 + 9 + 1 + 3);
    inner.u8(9);
    inner.raw("language", 9);
    inner.u8(3);
    inner.raw("de", 3);
    Bytes body;  // record: internet { ... }
    body.u32(uint32_t(1 + 9 + 1 + inner.b.size()));
    body.u8(9);
    body.raw("internet", 9);
    body.u8(0);
    body.raw(inner.b.data(), inner.b.size());
    Bytes file;
    file.raw("ACS$", 4);
    file.u32(1);
    file.u32(0);
    file.u32(uint32_t(body.b.size()));
    file.raw(body.b.data(), body.b.size());
    return file.b;
}

inline std::vector<uint8_t> EmptySoupBytes()
{
    Bytes file;
    file.raw("ACS$", 4);
    file.u32(1);
    file.u32(0);
    file.u32(0);
    return file.b;
}

inline VLXAssetRecord Record(KUID kuid, std::string displayName, std::string installedPath, std::string location)
{
    VLXAssetRecord r;
    r.kuid = kuid;
    r.categoryClass = "TR;LOCO";
    r.name = "Name of " + displayName;
    r.regionList = "DE;AT";
    r.eraList = "1950s";
    r.keywords = "steam;green";
    r.editingPath = "";
    r.installedPath = std::move(installedPath);
    r.location = std::move(location);
    r.localPath = "local/hash-3A/content abc";
    r.mapKuid = KUID(77, 88, 2);
    r.flags = 0xFF;
    r.flags2 = 0xFF;
    r.obsoleteGeneration = 1;  // the generation of a new index: stored as "current"
    r.permissions = 0x1F;
    r.extraFlag = 1;
    r.diskSize = 123456;
    r.build = 3.505f;
    r.localRating = 4;
    r.installTime = 0x0102030405060708ull;
    r.modifyTime = 0x1112131415161718ull;
    r.cachedDescription = "A description";
    r.displayName = std::move(displayName);
    r.folderStamp = 0xCAFEBABE;
    return r;
}

// Two records (sorted by shown name): one installed in "base", one with no installedPath.
inline std::vector<VLXAssetRecord> Records()
{
    return {Record(KUID(123, 456, 0), "Alpha Loco", "group/alpha", "base"),
            Record(KUID(-3, 100, 127), "beta wagon", "", "")};
}

struct Options {
    std::vector<VLXAssetRecord> records = Records();
    uint32_t lastWriterBuild = 39979;
    bool nullInPathKuids = true;  // a null KUID in the path entry (dropped on reading)
    std::string authors[2] = {"Jane Doe", "MAX"};  // lower-cased on reading
};

// Encodes a whole file of `version`; versions above 33 are scrambled with `seed`.
inline std::vector<uint8_t> BuildFile(uint32_t v, uint32_t seed, const Options& options = Options())
{
    const uint32_t lastWriterBuild = options.lastWriterBuild;
    Bytes f;
    f.u32(0xCEEBA2DB);
    f.u32(v);
    f.u32(0xFEEDCEEB);
    if (v > 33)
        f.u32(seed);
    const size_t bodyStart = f.b.size();

    const std::vector<VLXAssetRecord>& records = options.records;
    f.u32(uint32_t(records.size()));
    for (const VLXAssetRecord& r : records) {
        f.kuid(r.kuid);
        for (const std::string* t : {&r.categoryClass, &r.name, &r.regionList, &r.eraList, &r.keywords,
                                     &r.editingPath, &r.installedPath, &r.location, &r.localPath})
            f.text(*t);
        f.kuid(r.mapKuid);
        bool installed = !r.installedPath.empty();
        for (int bit = 0; bit < 7; ++bit)
            f.boolean(r.flags & (1 << bit));
        if (installed)
            f.boolean(r.flags & 0x80);
        if (installed)
            f.boolean(r.flags2 & 0x01);
        f.boolean(r.flags2 & 0x02);
        f.boolean(r.flags2 & 0x04);
        f.boolean(r.flags2 & 0x08);
        if (v > 27)
            f.boolean(r.flags2 & 0x10);
        f.boolean(r.flags2 & 0x20);
        f.boolean(r.flags2 & 0x40);
        if (v > 22) {
            f.boolean(r.flags2 & 0x80);
            f.boolean(r.obsoleteGeneration == 1);
        }
        f.boolean(r.permissions & 0x04);
        f.boolean(r.permissions & 0x08);
        f.boolean(r.permissions & 0x10);
        if (v > 28) {
            f.boolean(r.permissions & 0x01);
            f.boolean(r.permissions & 0x02);
        }
        if (v > 32)
            f.boolean(r.extraFlag);
        f.i32(r.diskSize);
        f.f32(r.build);
        f.u8(r.localRating);
        f.u64(r.installTime);
        f.u64(r.modifyTime);
        f.text(r.cachedDescription);
        f.text(r.displayName);
        if (v > 20)
            f.u32(r.folderStamp);
    }
    // KUID map 1, carrying a third KUID
    f.u32(1);
    f.kuid(KUID(10, 1, 0)), f.kuid(KUID(10, 2, 0)), f.kuid(KUID(10, 3, 0));
    f.kuid(KUID(11, 1, 0)), f.kuid(KUID(11, 2, 0)), f.kuid(KUID::Null);
    f.kuid(KUID::Null);
    if (v > 25) {  // KUID map 2, without third KUID
        f.u32(0);
        f.kuid(KUID(-2, 1001, 127)), f.kuid(KUID(-2, 5000, 127));
        f.kuid(KUID::Null);
    }
    // dependencies
    f.u16(1);
    f.u32(1);
    f.kuid(KUID(123, 456, 0));
    f.u32(2), f.kuid(KUID(-3, 100, 127)), f.kuid(KUID(9, 9, 1));
    f.u32(1), f.kuid(KUID(5, 5, 0));
    // authors
    f.u32(0);
    f.u32(2);
    f.lstr(options.authors[0]), f.i32(4242), f.i32(7);
    f.lstr(options.authors[1]), f.i32(5151), f.i32(8);
    if (v > 34) {  // database log
        f.u16(0);
        f.u32(17);
        f.u32(2);
        f.u8(1), f.u8(1), f.kuid(KUID(123, 456, 0)), f.text("created"), f.u8(0), f.u32(15);
        f.u8(2), f.u8(0), f.text("repair failed"), f.u8(1), f.u32(16);
    }
    if (v > 23)
        f.lstr("Current User");
    if (v > 35)
        f.lstr("second text"), f.boolean(true);
    if (v > 24)
        f.boolean(true);
    if (v > 29)
        f.u32(40000), f.u32(lastWriterBuild);
    if (v > 30)
        f.u64(0x0005F00000000000ull);
    if (v > 26) {
        std::vector<uint8_t> soup = SettingsSoupBytes();
        f.raw(soup.data(), soup.size());
    }
    std::vector<uint8_t> empty = EmptySoupBytes();
    f.raw(empty.data(), empty.size());
    // path table
    f.u32(0);
    f.u32(1);
    f.u32(1), f.boolean(true), f.u32(3), f.text("base/group/alpha"), f.text("note"), f.u32(9);
    if (options.nullInPathKuids)
        f.u32(3), f.kuid(KUID(1, 2, 0)), f.kuid(KUID::Null), f.kuid(KUID(1, 3, 0));
    else
        f.u32(2), f.kuid(KUID(1, 2, 0)), f.kuid(KUID(1, 3, 0));
    f.u32(0x41494E65);
    if (v <= 31)
        f.u32(0xDDDDDDDD);
    else
        f.u64(0x0123456789ABCDEFull);
    // download station
    f.u32(1);
    f.text("station");
    f.u64(1000);
    f.u32(2), f.text("http://a/1"), f.text("http://a/2");
    f.u32(11), f.u32(22), f.u32(33);
    f.u32(0xDEADD00D);
    const uint8_t client[8] = {9, 8, 7, 1, 0xA1, 0xB2, 0xC3, 0xD4};
    f.raw(client, 8);
    f.boolean(true);

    uint32_t size = uint32_t(f.b.size());
    std::memcpy(f.b.data() + 8, &size, 4);
    if (v > 33)
        TStreamObfuscated::ScrambleBytes(f.b.data() + bodyStart, f.b.size() - bodyStart, seed, uint32_t(bodyStart));
    return f.b;
}

// The machine bytes that make the sample's client identifier "this machine's".
inline constexpr std::array<uint8_t, 4> kMachine = {0xA1, 0xB2, 0xC3, 0xD4};

}  // namespace sample
