// KUID generation: the base KUID in settings/kuid.txt, the user's range, skipping used KUIDs.
#include "assetdb/AssetDatabase.h"
#include "assetdb/KuidGeneration.h"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class KuidGeneration : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = temp_.path();
        VLXSetKuidBaseFolder(root_);
        VLXResetKuidState();
    }
    void TearDown() override
    {
        VLXDatabaseLock lock(VLXDatabaseLock::Options{.write = true});
        VLXIndex().Clear();
    }
    // A later process: forgets the state and reads the settings file again.
    void Restart()
    {
        VLXResetKuidState();
        VLXLoadKuidSettings();
    }
    void WriteSettings(const std::string& text)
    {
        fs::create_directories(root_ + "/settings");
        std::ofstream(root_ + "/settings/kuid.txt") << text;
    }
    TempFolder temp_;
    std::string root_;
};

TEST_F(KuidGeneration, FreshInstallationCountsFrom1001AndContinuesInTheNextProcess)
{
    Restart();
    EXPECT_EQ(KUID(-2, 1001, 127), VLXGenerateKuid());
    EXPECT_EQ(KUID(-2, 1002, 127), VLXGenerateKuid());
    // Loader and generator use one file: the next process continues instead of starting again.
    EXPECT_TRUE(fs::exists(root_ + "/settings/kuid.txt"));
    EXPECT_FALSE(fs::exists(root_ + "/Settings/kuid.txt"));
    Restart();
    EXPECT_EQ(KUID(-2, 1002, 127), VLXBaseKuid());
    EXPECT_EQ(KUID(-2, 1003, 127), VLXGenerateKuid());
    EXPECT_EQ(-1, VLXCurrentUserId());  // user ids -9..0 are no user's
}

TEST_F(KuidGeneration, StoredBaseOfAUserContinuesItsRange)
{
    WriteSettings("base-kuid <kuid:123456:5000>\n");
    Restart();
    EXPECT_EQ(123456, VLXCurrentUserId());
    EXPECT_EQ(KUID(123456, 5001, 0), VLXGenerateKuid());
}

TEST_F(KuidGeneration, UsedKuidsAreSkipped)
{
    Restart();
    {
        VLXDatabaseLock lock(VLXDatabaseLock::Options{.write = true});
        auto record = std::make_shared<VLXAssetRecord>();
        record->kuid = KUID(-2, 1001, 127);
        VLXIndex().Add(record);
        VLXIndex().kuidMap2.Set({KUID(-2, 1002, 127), KUID(-2, 7000, 127)});  // mapped elsewhere: taken
        VLXIndex().kuidMap2.Set({KUID(-2, 1003, 127), KUID(-2, 1003, 127)});  // mapped to itself: free
    }
    EXPECT_EQ(KUID(-2, 1003, 127), VLXGenerateKuid());
}

TEST_F(KuidGeneration, InvalidUserIdYieldsTheNullKuid)
{
    EXPECT_FALSE(VLXSetBaseKuid(KUID::Null));
    EXPECT_TRUE(VLXSetBaseKuid(KUID(1 << 25, 5000, 0)));
    EXPECT_TRUE(VLXGenerateKuid().IsNull());
}

TEST_F(KuidGeneration, UnsavableCounterFailsInsteadOfRepeatingAKuid)
{
    WriteSettings("base-kuid <kuid:123456:5000>\n");
    Restart();
    // A folder where the settings file belongs makes the write fail, even for root.
    fs::remove(root_ + "/settings/kuid.txt");
    fs::create_directories(root_ + "/settings/kuid.txt");
    EXPECT_TRUE(VLXGenerateKuid().IsNull());
    EXPECT_EQ(KUID(123456, 5000, 0), VLXBaseKuid());
    fs::remove(root_ + "/settings/kuid.txt");
    EXPECT_EQ(KUID(123456, 5001, 0), VLXGenerateKuid());
    Restart();
    EXPECT_EQ(KUID(123456, 5001, 0), VLXBaseKuid());
}

TEST_F(KuidGeneration, SetBaseMovesTheRange)
{
    Restart();
    EXPECT_TRUE(VLXSetBaseKuid(KUID(77, 10, 0)));
    EXPECT_EQ(77, VLXCurrentUserId());
    EXPECT_EQ(KUID(77, 11, 0), VLXGenerateKuid());
    Restart();
    EXPECT_EQ(KUID(77, 12, 0), VLXGenerateKuid());
}

}  // namespace
