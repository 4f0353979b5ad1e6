// End to end through the real program: a sample installation without index is rebuilt from its
// folders by searchbycategory; keyword backup and import across separate runs.
#include "soup/SoupRef.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct RunResult {
    std::string out;
    int status = -1;
};

class RebuildCliTest : public ::testing::Test {
protected:
    fs::path root;

    void SetUp() override
    {
        const fs::path program = fs::path(VELMAR_BINARY_DIR) / "app/VelmarUtil";
        ASSERT_TRUE(fs::exists(program)) << "build the VelmarUtil target first";
        root = fs::temp_directory_path() / ("velmar_rebuild_cli_" + std::to_string(getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
        fs::create_directories(root / "bin/KMXData");
        fs::create_directories(root / "data");
        fs::copy_file(program, root / "bin/VelmarUtil");
        const fs::path chump = fs::path(VELMAR_BINARY_DIR) / "data/interfacetext.chump";
        if (fs::exists(chump))
            fs::copy_file(chump, root / "data/interfacetext.chump");
    }
    void TearDown() override { fs::remove_all(root); }

    void CopySample()
    {
        fs::copy(fs::path(VELMAR_TEST_DATA) / "rebuild_install", root,
                 fs::copy_options::recursive | fs::copy_options::skip_existing);
    }

    RunResult Run(const std::string& arguments)
    {
        RunResult result;
        const std::string command = "cd '" + (root / "bin").string() + "' && ./VelmarUtil " + arguments + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return result;
        std::array<char, 4096> buffer;
        size_t n;
        while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
            result.out.append(buffer.data(), n);
        const int status = pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    // The output without the summary line the front end prints last.
    static std::string WithoutSummary(const std::string& out)
    {
        const size_t end = out.rfind('\n', out.size() >= 2 ? out.size() - 2 : 0);
        return end == std::string::npos ? std::string() : out.substr(0, end + 1);
    }

    static void WriteFile(const fs::path& path, const std::string& text)
    {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
};

TEST_F(RebuildCliTest, MissingIndexIsRebuiltOnceFromTheFolders)
{
    CopySample();
    fs::create_directories(root / "local/hash-3A/empty folder/sub");
    ASSERT_FALSE(fs::exists(root / "assets.tdx"));

    const std::string expected =
        "+ 5 : assets matching the specified criteria\n"
        "+ #0 : <kuid:100:1>\n"      // Box car
        "+ #1 : <kuid2:100:2:1>\n"   // Coal tender
        "+ #2 : <kuid:-3:1003>\n"    // Diesel 123
        "+ #3 : <kuid:100:4>\n"      // my wagon
        "+ #4 : <kuid:-3:1001>\n";   // Steam Loco (modified)
    RunResult first = Run("searchbycategory TR");
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(WithoutSummary(first.out), expected);
    EXPECT_TRUE(fs::exists(root / "assets.tdx"));
    EXPECT_TRUE(fs::exists(root / "trash/junk folder/readme.txt"));
    EXPECT_FALSE(fs::exists(root / "local/hash-3A/junk folder"));
    EXPECT_FALSE(fs::exists(root / "local/hash-3A/empty folder"));

    // A folder added now is not seen: the second run reads the index instead of rebuilding.
    WriteFile(root / "local/hash-01/content new/config.txt", "kuid <kuid:100:7>\nkind traincar\nusername A\n");
    RunResult second = Run("searchbycategory tr");
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(WithoutSummary(second.out), expected);
    EXPECT_TRUE(fs::exists(root / "local/hash-01/content new/config.txt"));

    RunResult narrowed = Run("searchbycategory \"tr;-loco\"");
    EXPECT_EQ(WithoutSummary(narrowed.out),
              "+ 3 : assets matching the specified criteria\n+ #0 : <kuid:100:1>\n+ #1 : <kuid2:100:2:1>\n"
              "+ #2 : <kuid:100:4>\n");

    RunResult none = Run("searchbycategory XX");
    EXPECT_EQ(none.status, 255);
    EXPECT_EQ(WithoutSummary(none.out), "");  // only the summary line

    RunResult authors = Run("authors");
    EXPECT_EQ(authors.status, 0);
    EXPECT_EQ(WithoutSummary(authors.out), "#100\nOskel\n");
}

TEST_F(RebuildCliTest, KeywordBackupAndImport)
{
    // An empty database backs up to a file without tags.
    RunResult empty = Run("backupkeywords");
    EXPECT_EQ(empty.status, 0);
    SoupRef backup;
    ASSERT_TRUE(backup.Load({}, (root / "bin/KeywordsBackup.dat").string(), "txt"));
    EXPECT_EQ(backup.GetTagCount(), 0u);

    // The index already exists when keywords are imported: only the import changes it.
    fs::remove(root / "assets.tdx");
    CopySample();
    ASSERT_EQ(Run("authors").status, 0);
    ASSERT_TRUE(fs::exists(root / "assets.tdx"));

    RunResult missingDump = Run("importkeywords");
    EXPECT_EQ(missingDump.status, 255);
    EXPECT_EQ(WithoutSummary(missingDump.out), "");  // only the summary line

    WriteFile(root / "KeywordsDump.dat",
              "\xEF\xBB\xBF\r\n<kuid:100:1>  \"fast;red\"\r\n<kuid:999:1>  \"nobody\"\r\n"
              "<KUID2:100:2:1>  coal\r\n");
    RunResult imported = Run("importkeywords");
    EXPECT_EQ(imported.status, 0);

    // A later run sees the imported keywords: they were written with the index.
    RunResult saved = Run("backupkeywords mine.dat");
    EXPECT_EQ(saved.status, 0);
    ASSERT_TRUE(backup.Load({}, (root / "bin/mine.dat").string(), "txt"));
    ASSERT_EQ(backup.GetTagCount(), 7u);
    EXPECT_EQ(backup.GetTagName(0).str(), "<kuid:100:1>");  // record-array order
    EXPECT_EQ(backup.GetString("<kuid:100:1>"), "Box car;fast;red;rollingstock");
    EXPECT_EQ(backup.GetString("<kuid2:100:2:1>"), "Coal tender;coal;tender");
    EXPECT_EQ(backup.GetString("<kuid:-3:1002>"), "Engine shed");
    EXPECT_EQ(backup.GetString("<kuid:999:1>"), "");
}

} // namespace
