// Generated asset indexes of realistic field sizes, for crash-safety tests and benchmarks.
#pragma once

#include "assetdb/AssetIndex.h"

#include <chrono>
#include <cstdint>
#include <random>
#include <string>

namespace generated {

inline std::string Word(std::mt19937& rng, int minLength, int maxLength)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz";
    int n = std::uniform_int_distribution<int>(minLength, maxLength)(rng);
    std::string w;
    for (int i = 0; i < n; ++i)
        w += letters[rng() % 26];
    return w;
}

// `count` records: names of two or three words, about 70 % installed in a built-in location, 30 %
// with a local copy, a few open for edit, with descriptions or display names; a third of them
// require two other assets.
inline VLXAssetIndex Index(size_t count, uint32_t seed = 1)
{
    static const char* kCategories[] = {"TR;LOCO", "TR;ROLL", "SC;MESH", "BD;ACTV", "TR;TEND", "CMP;MESH", "SS"};
    static const char* kLocations[] = {"base", "builtin\\1", "builtin\\2", "builtin\\3", "builtin\\4"};
    std::mt19937 rng(seed);
    VLXAssetIndex index;
    index.records.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        auto r = std::make_shared<VLXAssetRecord>();
        r->kuid = KUID(int32_t(100000 + rng() % 400000), int32_t(i + 1), int32_t(rng() % 3));
        r->categoryClass = kCategories[rng() % 7];
        r->name = Word(rng, 3, 10) + " " + Word(rng, 3, 10) + (rng() % 2 ? " " + Word(rng, 2, 6) : "");
        r->regionList = rng() % 2 ? "DE;AT" : "UK";
        r->eraList = rng() % 3 ? "1950s;1960s" : "";
        r->keywords = Word(rng, 4, 8) + ";" + Word(rng, 4, 8) + ";" + Word(rng, 3, 6);
        if (rng() % 10 < 7) {
            r->location = kLocations[rng() % 5];
            r->installedPath = Word(rng, 4, 8) + "/" + r->name;
            r->flags |= kFlagFoundByBuiltinScan;
            r->flags2 |= kFlag2BuiltIn;
        } else {
            r->localPath = "local/hash-" + std::to_string(rng() % 90 + 10) + "/content " + Word(rng, 8, 8);
        }
        if (rng() % 50 == 0)
            r->editingPath = "editing/edit " + Word(rng, 8, 8);
        if (rng() % 5 == 0)
            r->displayName = Word(rng, 4, 12) + " " + Word(rng, 4, 12);
        if (rng() % 10 == 0)
            r->cachedDescription = Word(rng, 40, 120);
        r->diskSize = int32_t(rng() % 5000000);
        r->folderStamp = uint32_t(rng());
        r->build = 2.0f + float(rng() % 300) / 100.0f;
        r->installTime = 1700000000000000ull + rng();
        r->modifyTime = r->installTime + rng() % 1000;
        VLXRebuildSearchText(*r);
        if (i % 3 == 0) {
            VLXDependencyEntry& deps = index.dependencies.Get(r->kuid);
            deps.requiredKuids = {KUID(200000, int32_t(rng() % count + 1), 0), KUID(300000, int32_t(rng() % count + 1), 0)};
        }
        index.Add(std::move(r));
    }
    index.SortArray();
    index.timeStamp = uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::system_clock::now().time_since_epoch())
                                   .count());  // written today: no daily rewrite on load
    return index;
}

}  // namespace generated
