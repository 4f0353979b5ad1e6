// Two database processes on one installation: hand-over after a write, reload on a changed counter,
// a process killed while owning the database.
#include "ChildProcess.h"

#include "assetdb/AssetDatabase.h"
#include "assetdb/IpcController.h"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

#include <filesystem>
#include <string>

namespace {

class DatabaseProcesses : public testing::Test {
protected:
    TempFolder temp_;
    std::string root_ = temp_.path();
};

void AddRecord(const KUID& kuid)
{
    VLXDatabaseLock lock(VLXDatabaseLock::Options{.write = true});
    auto record = std::make_shared<VLXAssetRecord>();
    record->kuid = kuid;
    record->name = kuid.ToTagText();
    VLXIndex().Add(record);
    VLXMarkChanged(kChangedRecords);
}

bool Has(const KUID& kuid)
{
    VLXDatabaseLock lock;
    return VLXLookupAsset(kuid) != nullptr;
}

const KUID kFirst(1, 1, 0), kSecond(1, 2, 0), kThird(1, 3, 0);

TEST_F(DatabaseProcesses, OwnershipPassesAfterTheOwnersWriteAndTheOtherReloads)
{
    child::Pipe aOwns;
    pid_t a = child::Start([&] {
        alarm(60);
        if (!VLXOpenDatabase(root_))
            return 1;
        AddRecord(kFirst);  // the first lock waits for the loader; this process now owns the database
        aOwns.Post();
        if (!child::Eventually([] { return VLXIpcController().OtherWaiting(); }))
            return 2;
        AddRecord(kSecond);
        if (!VLXThread_WriteDatabaseLocal() || VLXIpcController().OwnedBySelf())
            return 3;  // the write hands ownership to the waiting process
        // Taking the lock again waits for the other process, whose write changed the counter: the
        // index is reloaded and holds the record this process never added.
        return Has(kThird) && Has(kFirst) ? 0 : 4;
    });
    ASSERT_TRUE(aOwns.Await());

    pid_t b = child::Start([&] {
        alarm(60);
        if (!VLXOpenDatabase(root_))
            return 1;
        if (!Has(kFirst) || !Has(kSecond))
            return 2;  // loaded what the owner wrote before handing over
        AddRecord(kThird);
        if (!child::Eventually([] { return VLXIpcController().OtherWaiting(); }))
            return 3;
        return VLXThread_WriteDatabaseLocal() ? 0 : 4;
    });
    EXPECT_EQ(0, child::Wait(b));
    EXPECT_EQ(0, child::Wait(a));
}

TEST_F(DatabaseProcesses, ProcessKilledWhileOwningIsClearedAndTheWaiterProceeds)
{
    child::Pipe aOwns, bWaiting;
    pid_t a = child::Start([&] {
        alarm(60);
        if (!VLXOpenDatabase(root_))
            return 1;
        AddRecord(kFirst);
        aOwns.Post();
        pause();
        return 0;
    });
    ASSERT_TRUE(aOwns.Await());
    pid_t b = child::Start([&] {
        alarm(60);
        if (!VLXOpenDatabase(root_))
            return 1;
        if (!child::Eventually([] { return VLXIpcController().Snapshot().requester == getpid(); }))
            return 2;
        bWaiting.Post();
        return Has(kFirst) ? 3 : 0;  // the dead process never wrote its record
    });
    ASSERT_TRUE(bWaiting.Await());
    EXPECT_EQ(1009, child::Kill(a));
    EXPECT_EQ(0, child::Wait(b));
}

TEST_F(DatabaseProcesses, CloseWritesChangesForTheNextProcess)
{
    pid_t a = child::Start([&] {
        if (!VLXOpenDatabase(root_))
            return 1;
        AddRecord(kFirst);
        VLXCloseDatabase();
        return std::filesystem::exists(root_ + "/assets.tdx") && !std::filesystem::exists(root_ + "/cache/assets.tdx")
                   ? 0
                   : 2;
    });
    ASSERT_EQ(0, child::Wait(a));
    pid_t b = child::Start([&] {
        if (!VLXOpenDatabase(root_))
            return 1;
        return Has(kFirst) ? 0 : 2;
    });
    EXPECT_EQ(0, child::Wait(b));
    for (const char* folder : {"cache", "trash", "cache/bookmarks", "cache/libraries", "cache/syslibs", "cache/sessions",
                               "cache/water", "local", "editing", "settings"})
        EXPECT_TRUE(std::filesystem::is_directory(root_ + "/" + folder)) << folder;
}

}  // namespace
