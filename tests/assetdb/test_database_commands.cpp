// setlanguage, generatekuid and status run by the real program, one process per command.
#include "ChildProcess.h"
#include "IndexFileSample.h"

#include "assetdb/AssetDatabase.h"
#include "assetdb/AssetIndexFile.h"
#include "assetdb/IpcController.h"
#include "engine/SharedMemory.h"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class DatabaseCommands : public testing::Test {
protected:
    void SetUp() override
    {
        const fs::path program = fs::path(VELMAR_BINARY_DIR) / "app" / "VelmarUtil";
        if (!fs::exists(program))
            GTEST_SKIP() << "VelmarUtil is not built";
        root_ = temp_.path();
        fs::create_directories(root_ + "/bin/KMXData");
        fs::copy_file(program, root_ + "/bin/VelmarUtil");
    }

    // Runs the program; returns its standard output and sets `status` to its exit status.
    std::string Run(const std::string& arguments, int& status, const char* redirect = " 2>/dev/null")
    {
        std::string command = root_ + "/bin/VelmarUtil " + arguments + redirect;
        FILE* pipe = popen(command.c_str(), "r");
        std::string out;
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        status = WEXITSTATUS(pclose(pipe));
        return out;
    }

    TempFolder temp_;
    std::string root_;
};

TEST_F(DatabaseCommands, SetLanguageIsSeenByTheNextProcess)
{
    int status = -1;
    Run("setlanguage DE", status);
    ASSERT_EQ(0, status);
    pid_t reader = child::Start([&] {
        if (!VLXOpenDatabase(root_))
            return 1;
        VLXDatabaseLock lock;
        return VLXIndex().settings.GetContainer("internet").GetString("language") == "de" ? 0 : 2;
    });
    EXPECT_EQ(0, child::Wait(reader));
}

TEST_F(DatabaseCommands, GenerateKuidContinuesAcrossProcesses)
{
    int status = -1;
    EXPECT_EQ("<KUID2:-2:1001:127>\nOK (0 Errors, 0 Warnings)\n", Run("generatekuid", status));
    EXPECT_EQ(0, status);
    EXPECT_EQ("<KUID2:-2:1002:127>\nOK (0 Errors, 0 Warnings)\n", Run("generateKUID", status));
    EXPECT_TRUE(fs::exists(root_ + "/settings/kuid.txt"));
    EXPECT_FALSE(fs::exists(root_ + "/Settings"));
}

TEST_F(DatabaseCommands, StatusOfPresentAndAbsentAssets)
{
    sample::Options options;
    options.records[0].flags2 = kFlag2Faulty;                         // has errors, no known dependency state
    options.records[1].flags = kFlagOnDownloadStation;
    options.records[1].flags2 = 0;
    options.records[1].editingPath = "editing/edit 1";
    std::vector<uint8_t> file = sample::BuildFile(36, 42, options);
    std::ofstream(root_ + "/assets.tdx", std::ios::binary).write((const char*)file.data(), std::streamsize(file.size()));

    struct Case {
        const char* kuid;
        const char* out;
        int status;
    } cases[] = {
        // installed and local copies; requires <kuid:-3:100> (present) and <kuid2:9:9:1> (missing)
        {"<kuid:123:456>", "+ <kuid:123:456> : eIaDLME : TR;LOCO : Alpha Loco\nOK (0 Errors, 0 Warnings)\n", 0},
        {"<KUID:-3:100>", "+ <kuid:-3:100> : EIaDLme : TR;LOCO : beta wagon\nOK (0 Errors, 0 Warnings)\n", 0},
        {"<kuid:9:9>", "- <kuid:9:9> : Unknown AssetID.\nOK (1 Errors, 0 Warnings)\n", 255},
    };
    for (const Case& c : cases) {
        int status = -1;
        EXPECT_EQ(c.out, Run(std::string("status \"") + c.kuid + "\"", status)) << c.kuid;
        EXPECT_EQ(c.status, status) << c.kuid;
    }
}

TEST_F(DatabaseCommands, LockedOutInstallationRefusesToStart)
{
    // Another program holds the controller and has set the lock-out flag.
    IPCController holder;
    ASSERT_TRUE(holder.Open(root_ + "/assets.tdx", false));
    std::string folder, mutexName, memoryName;
    ASSERT_TRUE(IPCController::DeriveNames(root_ + "/assets.tdx", folder, mutexName, memoryName));
    Nox::SharedMemory memory;
    ASSERT_TRUE(memory.ProcessAttach(memoryName, sizeof(IPCBlock)));
    static_cast<IPCBlock*>(memory.Data())->lockOut = 1;

    int status = -1;
    EXPECT_EQ("- Unable to open IPC controller 0\n", Run("status \"<kuid:1:2>\"", status, " 2>&1"));
    EXPECT_EQ(255, status);
    EXPECT_EQ("- Unable to open IPC controller 1\n", Run("repairdatabase patcher", status, " 2>&1"));
    static_cast<IPCBlock*>(memory.Data())->patcherAllowed = 1;
    // A patcher start passes the lock-out when the patcher-allowed flag is set.
    EXPECT_EQ(std::string::npos, Run("repairdatabase patcher", status, " 2>&1").find("Unable to open IPC controller"));
}

}  // namespace
