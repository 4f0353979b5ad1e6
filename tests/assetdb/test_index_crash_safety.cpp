// A writer of a large index killed at random moments never leaves the installation without an index.
#include "ChildProcess.h"
#include "GeneratedIndex.h"

#include "assetdb/AssetDatabase.h"
#include "assetdb/AssetIndexFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

constexpr size_t kRecords = 25000;
constexpr int kWrites = 50;

std::string Marker(int generation)
{
    return "generation " + std::to_string(generation);
}

// One process: open the database, change the marker, write the index, end without closing.
int WriteGeneration(const std::string& root, int generation)
{
    alarm(60);
    if (!VLXOpenDatabase(root, false))
        return 201;
    {
        VLXDatabaseLock lock(VLXDatabaseLock::Options{.write = true});
        VLXIndex().currentUser = Marker(generation);
        VLXMarkChanged(kChangedRecords);
    }
    return VLXThread_WriteDatabaseLocal() ? 0 : 202;
}

// One process: load the installation as any program would and report the generation it holds.
int LoadedGeneration(const std::string& root)
{
    alarm(60);
    if (!VLXOpenDatabase(root))
        return 201;
    VLXDatabaseLock lock;
    if (VLXIndex().array.size() != kRecords)
        return 202;
    int generation = -1;
    if (std::sscanf(VLXIndex().currentUser.c_str(), "generation %d", &generation) != 1)
        return 203;
    return generation;
}

TEST(IndexCrashSafety, KilledWriterLeavesTheOldOrTheNewIndex)
{
    char pattern[] = "/tmp/velmar-crash-XXXXXX";
    const std::string root = mkdtemp(pattern);
    {
        VLXAssetIndex index = generated::Index(kRecords);
        index.currentUser = Marker(0);
        std::vector<uint8_t> image = VLXWriteIndex(index, 1);
        std::ofstream(root + "/assets.tdx", std::ios::binary).write((const char*)image.data(), std::streamsize(image.size()));
    }

    // How long an undisturbed writer takes: the kills fall anywhere within it.
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(0, child::Wait(child::Start([&] { return WriteGeneration(root, 1); })));
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    ASSERT_EQ(1, child::Wait(child::Start([&] { return LoadedGeneration(root); })));

    std::mt19937 rng(std::random_device{}());
    int previous = 1, kept = 0, replaced = 0;
    for (int generation = 2; generation < 2 + kWrites; ++generation) {
        pid_t writer = child::Start([&] { return WriteGeneration(root, generation); });
        usleep(useconds_t(std::uniform_int_distribution<int64_t>(0, span.count() * 12 / 10)(rng)));
        kill(writer, SIGKILL);
        child::Wait(writer);

        int loaded = child::Wait(child::Start([&] { return LoadedGeneration(root); }));
        ASSERT_TRUE(loaded == previous || loaded == generation)
            << "after the kill during write " << generation << " the index held " << loaded;
        (loaded == generation ? replaced : kept)++;
        previous = loaded;
    }
    std::printf("[ crash   ] %d writes killed: %d left the old index, %d the new one (writer takes %lld us)\n", kWrites,
                kept, replaced, (long long)span.count());
    std::filesystem::remove_all(root);
}

}  // namespace
