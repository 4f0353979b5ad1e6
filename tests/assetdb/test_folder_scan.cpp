// Rebuilding an index from the asset folders of a small installation: records, merges, trash.
#include "assetdb/IndexRebuild.h"
#include "assetdb/RecordFill.h"
#include "assetdb/RecordsFromFolders.h"
#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class FolderScanTest : public ::testing::Test {
protected:
    fs::path root;
    VLXAssetIndex index;

    void SetUp() override
    {
        root = fs::temp_directory_path() / ("velmar_scan_" + std::to_string(getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::copy(fs::path(VELMAR_TEST_DATA) / "rebuild_install", root, fs::copy_options::recursive);
        fs::create_directories(root / "local/hash-3A/empty folder/sub");
        fs::create_directories(root / "trash");
    }
    void TearDown() override { fs::remove_all(root); }

    const VLXAssetRecord& Record(const KUID& kuid)
    {
        const VLXAssetRecord* record = index.Lookup(kuid);
        EXPECT_NE(record, nullptr) << kuid.ToTagText();
        static const VLXAssetRecord missing;
        return record ? *record : missing;
    }
};

TEST_F(FolderScanTest, RebuildFillsEveryRecordFromItsFolders)
{
    VLXRebuildIndexFromFolders(index, root.string() + "/");

    ASSERT_EQ(index.array.size(), 7u);
    std::vector<std::string> names;
    for (const auto& record : index.array)
        names.push_back(record->ShownName());
    EXPECT_EQ(names, (std::vector<std::string>{"Box car", "Coal tender", "Diesel 123", "Engine shed",
                                               "Evening session", "my wagon", "Steam Loco (modified)"}));
    EXPECT_TRUE(index.changeFlags & kChangedRecords);
    EXPECT_TRUE(index.changeFlags & kChangedRescanPending);

    // A built-in asset with a local copy: one record, the local configuration wins.
    const VLXAssetRecord& loco = Record({-3, 1001, 127});
    EXPECT_EQ(loco.location, "base");
    EXPECT_EQ(loco.installedPath, "trains/steam loco");
    EXPECT_EQ(loco.localPath, "local/hash-7F/content loco local");
    EXPECT_TRUE(loco.flags & kFlagFoundByBuiltinScan);
    EXPECT_TRUE(loco.IsBuiltIn());
    EXPECT_FALSE(loco.permissions & kPermitCommit);  // location base
    EXPECT_EQ(loco.categoryClass, "TR;TV;LOCO");
    EXPECT_EQ(loco.regionList, "");                 // from the local configuration
    EXPECT_GT(loco.diskSize, 0);                     // the local copy's files

    const VLXAssetRecord& shed = Record({-3, 1002, 127});
    EXPECT_EQ(shed.categoryClass, "BD;RRD;SY;SCEN");
    EXPECT_EQ(shed.diskSize, 0);

    const VLXAssetRecord& diesel = Record({-3, 1003, 127});
    EXPECT_EQ(diesel.location, "builtin\\1");
    EXPECT_EQ(diesel.installedPath, "trains/diesel update");
    EXPECT_EQ(diesel.regionList, "UK");
    EXPECT_TRUE(diesel.permissions & kPermitCommit);

    const VLXAssetRecord& car = Record({100, 1, 0});
    EXPECT_EQ(car.localPath, "local/hash-00/content car");
    EXPECT_EQ(car.categoryClass, "TR;TV;FRT;REEF;ROLL");
    EXPECT_EQ(car.keywords, "acme;rail;inc.");
    EXPECT_FLOAT_EQ(car.build, 2.405f);
    EXPECT_EQ(car.diskSize, int32_t(fs::file_size(root / "local/hash-00/content car/config.txt") +
                                    fs::file_size(root / "local/hash-00/content car/car.im")));
    EXPECT_FALSE(car.IsBuiltIn());
    EXPECT_TRUE(car.installedPath.empty());

    EXPECT_EQ(Record({100, 2, 1}).categoryClass, "TR;TV;TEND");
    EXPECT_EQ(Record({100, 3, 0}).mapKuid, KUID(100, 9, 0));
    EXPECT_EQ(Record({100, 4, 0}).editingPath, "editing/My Wagon");
    EXPECT_EQ(Record({100, 4, 0}).diskSize, -1);  // only a working copy

    for (const auto& record : index.array) {
        // The stamp is kept; the faulty bit is left to validation, not set for every new record.
        EXPECT_EQ(record->folderStamp, VLXRecordFolderStamp(*record, root.string())) << record->name;
        EXPECT_FALSE(record->flags2 & (kFlag2Faulty | kFlag2HasWarnings)) << record->name;
        EXPECT_FALSE(record->searchText.empty());
    }

    // Not assets: files go to trash under their own name, an empty tree is deleted.
    EXPECT_TRUE(fs::exists(root / "trash/junk folder/readme.txt"));
    EXPECT_TRUE(fs::exists(root / "trash/junk folder/textures/a.tga"));
    EXPECT_FALSE(fs::exists(root / "local/hash-3A/junk folder"));
    EXPECT_FALSE(fs::exists(root / "local/hash-3A/empty folder"));
    EXPECT_TRUE(fs::exists(root / "local/hash-3A/content tender/config.txt"));
}

TEST_F(FolderScanTest, TrashNameTakenAndCountsAndSkips)
{
    fs::create_directories(root / "trash/junk folder");
    std::ofstream(root / "trash/junk folder/older.txt") << "older";

    std::unordered_set<std::string> known{"local:hash-00/content car"};
    VLXScanContext scan{index, root.string()};
    scan.knownKeys = &known;
    VLXScanLocal(scan);
    EXPECT_EQ(scan.added, 3u);  // tender, map, loco; not the known car
    EXPECT_EQ(scan.trashed, 1u);
    EXPECT_EQ(scan.removed, 1u);
    EXPECT_EQ(index.Lookup({100, 1, 0}), nullptr);
    EXPECT_TRUE(fs::exists(root / "trash/junk folder/older.txt"));

    size_t unknownFolders = 0;
    for (const auto& entry : fs::directory_iterator(root / "trash"))
        if (entry.path().filename().string().rfind("unknown", 0) == 0 &&
            fs::exists(entry.path() / "readme.txt"))
            ++unknownFolders;
    EXPECT_EQ(unknownFolders, 1u);

    std::atomic<bool> stop{true};
    VLXAssetIndex other;
    VLXScanContext stopped{other, root.string()};
    stopped.stop = &stop;
    VLXScanEditing(stopped);
    VLXScanBuiltinLocation(stopped, "base");
    EXPECT_TRUE(other.array.empty());
}

TEST_F(FolderScanTest, UnreadableConfigurationsAndStamps)
{
    // A configuration without KUID, and one that is empty, are no assets.
    fs::create_directories(root / "editing/no kuid");
    std::ofstream(root / "editing/no kuid/config.txt") << "kind scenery\n";
    fs::create_directories(root / "editing/empty config");
    std::ofstream(root / "editing/empty config/config.txt") << "";
    VLXScanContext scan{index, root.string()};
    VLXScanEditing(scan);
    EXPECT_EQ(scan.added, 1u);
    EXPECT_EQ(scan.trashed, 2u);
    EXPECT_TRUE(fs::exists(root / "trash/no kuid/config.txt"));

    fs::create_directories(root / "emptydir");
    EXPECT_EQ(VLXFolderStamp((root / "emptydir").string()), 1u);
    EXPECT_EQ(VLXFolderStamp((root / "missing").string()), 1u);
    VLXAssetRecord noCopy;
    EXPECT_EQ(VLXRecordFolderStamp(noCopy, root.string()), 1u);
    EXPECT_TRUE(VLXRecordCheckFolder(noCopy, root.string()).empty());

    // A chunked configuration is read before the text one.
    SoupRef chunked = SoupRef::NewContainer();
    chunked.SetKUID("kuid", KUID(5, 5, 0));
    ASSERT_TRUE(chunked.Save((root / "editing/My Wagon/config.chump").string()));
    EXPECT_EQ(VLXReadFolderConfig((root / "editing/My Wagon").string()).GetKUID("kuid"), KUID(5, 5, 0));
    EXPECT_FALSE(VLXReadFolderConfig((root / "emptydir").string()));
}

TEST_F(FolderScanTest, FallbackCopyForgetsMissingFoldersAndFindsNewWork)
{
    VLXRebuildIndexFromFolders(index, root.string());
    fs::remove_all(root / "local/hash-7F/content loco local");
    fs::remove_all(root / "base/scenery/shed");
    fs::create_directories(root / "editing/Second");
    std::ofstream(root / "editing/Second/config.txt") << "kuid <kuid:100:5>\nkind scenery\nusername Second\n";

    VLXRefreshAfterFallbackLoad(index, root.string());
    EXPECT_TRUE(Record({-3, 1001, 127}).localPath.empty());
    EXPECT_EQ(Record({-3, 1001, 127}).installedPath, "trains/steam loco");
    const VLXAssetRecord& shed = Record({-3, 1002, 127});
    EXPECT_TRUE(shed.installedPath.empty());
    EXPECT_TRUE(shed.location.empty());
    EXPECT_FALSE(shed.IsBuiltIn());
    EXPECT_EQ(shed.folderStamp, 0u);
    EXPECT_EQ(Record({100, 5, 0}).editingPath, "editing/Second");
    EXPECT_EQ(Record({100, 4, 0}).editingPath, "editing/My Wagon");  // known folder not added twice
    EXPECT_EQ(index.array.size(), 8u);
}

} // namespace

namespace {

// Link loops inside an asset folder: the scan runs in a child with a time limit, so a walk that
// follows the links fails the test instead of hanging it.
TEST_F(FolderScanTest, LinkLoopsAreNotFollowed)
{
    const fs::path car = root / "local/hash-00/content car";
    const auto carBytes = int32_t(fs::file_size(car / "car.im") + fs::file_size(car / "config.txt"));
    fs::create_directory_symlink(".", car / "a");
    fs::create_directory_symlink(".", car / "b");
    fs::create_directory_symlink("..", root / "local/hash-3A/looped");  // no asset folder of its own

    const pid_t pid = child::Start([&] {
        alarm(20);
        VLXScanContext scan{index, root.string()};
        VLXScanLocal(scan);
        const VLXAssetRecord* record = index.Lookup({100, 1, 0});
        if (scan.added != 4 || !record)
            return 1;
        return record->diskSize == carBytes && VLXFolderFileBytes(car.string()) == carBytes ? 0 : 2;
    });
    EXPECT_EQ(child::Wait(pid), 0);  // 1014: the walk was still going after 20 s
    EXPECT_TRUE(fs::is_symlink(root / "local/hash-3A/looped"));
    EXPECT_TRUE(fs::exists(root / "local/hash-00/content car/car.im"));

    // One loop alone ends at the system's link limit; following it would count the files 40 times.
    fs::remove(car / "b");
    EXPECT_EQ(VLXFolderFileBytes(car.string()), carBytes);
}

}  // namespace
