// A writer of a large index killed at random moments never leaves the installation without an index.
#include "ChildProcess.h"
#include "GeneratedIndex.h"

#include "assetdb/AssetDatabase.h"
#include "assetdb/AssetIndexFile.h"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

#include <chrono>
#include <fcntl.h>
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

// One process: open the database, then write generation after generation, reporting each one
// written through `progress`; `count` writes at most.
int WriteGenerations(const std::string& root, int first, int count, int progress)
{
    alarm(120);
    if (!VLXOpenDatabase(root, false))
        return 201;
    for (int generation = first; generation < first + count; ++generation) {
        {
            VLXDatabaseLock lock(VLXDatabaseLock::Options{.write = true});
            VLXIndex().currentUser = Marker(generation);
            VLXMarkChanged(kChangedRecords);
        }
        if (!VLXThread_WriteDatabaseLocal())
            return 202;
        (void)!write(progress, &generation, sizeof generation);
    }
    return 0;
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
    TempFolder temp;
    const std::string& root = temp.path();
    {
        VLXAssetIndex index = generated::Index(kRecords);
        index.currentUser = Marker(0);
        std::vector<uint8_t> image = VLXWriteIndex(index, 1);
        std::ofstream(root + "/assets.tdx", std::ios::binary).write((const char*)image.data(), std::streamsize(image.size()));
    }
    int progress[2];
    ASSERT_EQ(0, pipe(progress));
    fcntl(progress[0], F_SETFL, O_NONBLOCK);
    auto lastReported = [&](int last) {
        int generation;
        while (read(progress[0], &generation, sizeof generation) == sizeof generation)
            last = generation;
        return last;
    };

    // How long an undisturbed writer takes for a few writes: the kills fall anywhere within that.
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(0, child::Wait(child::Start([&] { return WriteGenerations(root, 1, 3, progress[1]); })));
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    int written = lastReported(0);
    ASSERT_EQ(3, written);
    ASSERT_EQ(3, child::Wait(child::Start([&] { return LoadedGeneration(root); })));

    std::mt19937 rng(std::random_device{}());
    int kills = 0, kept = 0, replaced = 0;
    while (written < kWrites) {
        pid_t writer = child::Start([&] { return WriteGenerations(root, written + 1, kWrites - written, progress[1]); });
        usleep(useconds_t(std::uniform_int_distribution<int64_t>(0, span.count())(rng)));
        kill(writer, SIGKILL);
        child::Wait(writer);
        ++kills;
        const int reported = lastReported(written);

        // The loaded generation is the last one reported, or the next when the kill fell between
        // the rename and the report.
        int loaded = child::Wait(child::Start([&] { return LoadedGeneration(root); }));
        ASSERT_TRUE(loaded == reported || loaded == reported + 1)
            << "kill " << kills << ": reported " << reported << ", the index held " << loaded;
        (loaded == reported ? kept : replaced)++;
        written = loaded;
    }
    close(progress[0]);
    close(progress[1]);
    std::printf("[ crash   ] %d writes, %d kills: %d loaded the last finished write, %d one whose report was cut "
                "off (3 writes take %lld us)\n",
                written, kills, kept, replaced, (long long)span.count());
    EXPECT_GE(kills, 5);
}

}  // namespace
