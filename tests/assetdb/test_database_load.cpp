// Loading the database: the index file, then the temporary and backup copies, then an empty index;
// leftovers, write failures and the author names.
#include "ChildProcess.h"
#include "IndexFileSample.h"

#include "assetdb/AssetDatabase.h"
#include "assetdb/AssetIndexFile.h"
#include "engine/Log.h"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class DatabaseLoad : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = temp_.path();
        fs::create_directories(root_ + "/cache");
    }

    void Put(const std::string& relative, const std::vector<uint8_t>& bytes)
    {
        std::ofstream(root_ + "/" + relative, std::ios::binary).write((const char*)bytes.data(), std::streamsize(bytes.size()));
    }
    static std::vector<uint8_t> WithRecords(std::vector<KUID> kuids)
    {
        VLXAssetIndex index;
        for (const KUID& k : kuids) {
            auto r = std::make_shared<VLXAssetRecord>();
            r->kuid = k;
            r->name = k.ToTagText();
            index.Add(r);
        }
        return VLXWriteIndex(index, 3);
    }
    static std::vector<uint8_t> WrongSize(std::vector<uint8_t> bytes)
    {
        uint32_t size = uint32_t(bytes.size() + 1);
        std::memcpy(bytes.data() + 8, &size, 4);
        return bytes;
    }
    // In a fresh process: opens the database and returns `check()` as the exit status.
    int InChild(const std::function<int()>& check, bool allowRebuild = true)
    {
        return child::Wait(child::Start([&] {
            if (!VLXOpenDatabase(root_, allowRebuild))
                return 100;
            return check();
        }));
    }
    bool Exists(const std::string& relative) const { return fs::exists(root_ + "/" + relative); }

    TempFolder temp_;
    std::string root_;
};

int RecordCount()
{
    VLXDatabaseLock lock;
    return int(VLXIndex().array.size());
}

TEST_F(DatabaseLoad, FallbackChain)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> main, temporary, backup;
        int records;
    } cases[] = {
        {"index file", WithRecords({KUID(1, 1, 0)}), WithRecords({KUID(2, 1, 0), KUID(2, 2, 0)}), {}, 1},
        {"size field wrong: temporary copy", WrongSize(WithRecords({KUID(1, 1, 0)})),
         WithRecords({KUID(2, 1, 0), KUID(2, 2, 0)}), {}, 2},
        {"no index: backup copy", {}, {}, WithRecords({KUID(3, 1, 0), KUID(3, 2, 0), KUID(3, 3, 0)}), 3},
        {"unreadable copies: empty index", WrongSize(WithRecords({KUID(1, 1, 0)})), {1, 2, 3}, {4}, 0},
    };
    for (const Case& c : cases) {
        fs::remove(root_ + "/assets.tdx");
        if (!c.main.empty())
            Put("assets.tdx", c.main);
        if (!c.temporary.empty())
            Put("cache/assets.tdx", c.temporary);
        if (!c.backup.empty())
            Put("cache/assets.bku", c.backup);
        EXPECT_EQ(c.records, InChild(RecordCount)) << c.name;
        if (c.records > 1) {
            // A copy that was taken is deleted and the index written from it at once.
            EXPECT_FALSE(Exists(c.temporary.empty() ? "cache/assets.bku" : "cache/assets.tdx")) << c.name;
            EXPECT_EQ(c.records, InChild(RecordCount, false)) << c.name << ": assets.tdx now holds it";
        }
        fs::remove(root_ + "/cache/assets.tdx");
        fs::remove(root_ + "/cache/assets.bku");
    }
}

TEST_F(DatabaseLoad, FirstChangeDeletesLeftoverCopies)
{
    Put("assets.tdx", WithRecords({KUID(1, 1, 0)}));
    Put("cache/assets.tdx", {9});
    Put("cache/assets.bku", {9});
    EXPECT_EQ(0, InChild([this] {
        RecordCount();
        if (!Exists("cache/assets.tdx"))
            return 1;  // nothing changed yet
        VLXDatabaseLock lock(VLXDatabaseLock::Options{.write = true});
        VLXMarkChanged(kChangedSettings);
        return !Exists("cache/assets.tdx") && !Exists("cache/assets.bku") ? 0 : 2;
    }));
}

TEST_F(DatabaseLoad, FailedWriteIsLoggedAndLeavesTheChangeFlag)
{
    Put("assets.tdx", WithRecords({KUID(1, 1, 0)}));
    EXPECT_EQ(0, InChild([this] {
        RecordCount();
        std::vector<std::string> lines;
        Nox::Log::SetObserver([&](int, std::string_view line) { lines.emplace_back(line); });
        fs::remove_all(root_ + "/cache");
        std::ofstream(root_ + "/cache") << "a file where the folder belongs";
        VLXMarkChanged(kChangedRecords);
        if (VLXThread_WriteDatabaseLocal())
            return 1;
        bool logged = false;
        for (const std::string& line : lines)
            logged = logged || line == "VLXThread_WriteDatabaseLocal> gVlxAssetIndex.WriteDatabase(\"" + root_ +
                                           "/cache/assets.tdx\" failed";
        VLXDatabaseLock lock;
        return logged && (VLXIndex().changeFlags & kChangedRecords) ? 0 : 2;
    }));
}

TEST_F(DatabaseLoad, AuthorNames)
{
    sample::Options options;
    Put("assets.tdx", sample::BuildFile(36, 1, options));
    EXPECT_EQ(0, InChild([] {
        RecordCount();
        struct Case {
            int32_t id;
            const char* name;
        } cases[] = {{0, "-"}, {-2, "unknown"}, {-7, "Oskel"}, {3, "Oskel"}, {4242, "jane doe"}, {99999, "#99999"}};
        for (const Case& c : cases)
            if (VLXAuthorName(c.id) != c.name)
                return 1;
        return 0;
    }));
}

}  // namespace
