// Missing and faulty dependency states computed from the dependency table.
#include "assetdb/DependencyStates.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct Fixture {
    VLXAssetIndex index;
    VLXAssetRecord& Add(KUID kuid, bool installed, std::vector<KUID> required = {}, uint8_t flags2 = 0)
    {
        auto r = std::make_shared<VLXAssetRecord>();
        r->kuid = kuid;
        if (installed)
            r->installedPath = "group/x";
        r->flags2 = flags2;
        if (!required.empty())
            index.dependencies.Get(kuid).requiredKuids = std::move(required);
        return *index.Add(r);
    }
};

const KUID A(1, 1, 0), B(1, 2, 0), C(1, 3, 0), D(1, 4, 0);

TEST(DependencyStates, MissingDependencies)
{
    struct Case {
        const char* name;
        bool expected;
        std::function<VLXAssetRecord&(Fixture&)> build;
    } cases[] = {
        {"no dependencies", false, [](Fixture& f) -> VLXAssetRecord& { return f.Add(A, true); }},
        {"unknown dependency", true, [](Fixture& f) -> VLXAssetRecord& { return f.Add(A, true, {B}); }},
        {"dependency without copy", true,
         [](Fixture& f) -> VLXAssetRecord& { f.Add(B, false); return f.Add(A, true, {B}); }},
        {"dependency missing its own", true,
         [](Fixture& f) -> VLXAssetRecord& { f.Add(B, true, {C}); return f.Add(A, true, {B}); }},
        {"two assets requiring each other", false,
         [](Fixture& f) -> VLXAssetRecord& { f.Add(B, true, {A}); return f.Add(A, true, {B}); }},
        {"cycle with a missing asset", true,
         [](Fixture& f) -> VLXAssetRecord& { f.Add(B, true, {A, D}); return f.Add(A, true, {B}); }},
        {"record without copy is never missing", false, [](Fixture& f) -> VLXAssetRecord& { return f.Add(A, false, {B}); }},
        {"obsolete dependency replaced by its successor", false,
         [](Fixture& f) -> VLXAssetRecord& {
             f.index.obsoleteMap.Set({B, C});
             f.Add(C, true);
             return f.Add(A, true, {B});
         }},
        {"state already known is not recomputed", false,
         [](Fixture& f) -> VLXAssetRecord& { return f.Add(A, true, {B}, kFlag2MissingDepsKnown); }},
    };
    for (const Case& c : cases) {
        Fixture f;
        VLXAssetRecord& record = c.build(f);
        EXPECT_EQ(c.expected, VLXHasMissingDependencies(f.index, record)) << c.name;
        EXPECT_TRUE(record.flags2 & kFlag2MissingDepsKnown) << c.name;
        VLXClearDependencyStates(record);
        EXPECT_FALSE(record.flags2 & kFlag2MissingDepsKnown) << c.name;
    }
}

TEST(DependencyStates, FaultyDependencies)
{
    Fixture f;
    f.Add(C, true, {}, kFlag2Faulty);
    f.Add(D, false, {}, kFlag2Faulty);  // faulty flag without a copy does not count
    VLXAssetRecord& viaChain = f.Add(A, true, {B});
    f.Add(B, true, {C});
    VLXAssetRecord& onlyUncopied = f.Add(KUID(2, 1, 0), true, {D});
    EXPECT_TRUE(VLXHasFaultyDependencies(f.index, viaChain));
    EXPECT_FALSE(VLXHasFaultyDependencies(f.index, onlyUncopied));
    EXPECT_TRUE(f.index.changeFlags & kChangedDependencyStates);
}

}  // namespace
