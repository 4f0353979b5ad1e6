// Start-up helpers: installation paths from the program path, the patcher and norender words,
// and the guard that ends the process when an exception escapes a command.
#include "app/Application.h"
#include "app/CommandRunner.h"
#include "core/VelmarLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

std::vector<char*> Argv(std::vector<std::string>& words)
{
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    return argv;
}

TEST(StartupTest, InstallationPathsFromProgramPath)
{
    struct Case {
        const char* program;
        const char* folder;
        const char* ownership;
    };
    const Case cases[] = {
        {"/games/velmar/bin/VelmarUtil", "/games/velmar/bin/", "/games/velmar/assets.tdx"},
        {"/games/My Velmar/tools/VelmarUtil", "/games/My Velmar/tools/", "/games/My Velmar/assets.tdx"},
        {"/bin/VelmarUtil", "/bin/", "/assets.tdx"},
        {"C:\\Velmar\\bin\\VelmarUtil.exe", "C:/Velmar/bin/", "C:/Velmar/assets.tdx"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderOfProgram(c.program), c.folder);
        EXPECT_EQ(OwnershipPathOf(c.program), c.ownership);
    }
    EXPECT_EQ(ParentFolder("/a/b/"), "/a/");
    EXPECT_EQ(ParentFolder("/a/b"), "/a/");
}

TEST(StartupTest, PatcherAndNorenderWords)
{
    struct Case {
        std::vector<std::string> argv;
        bool patcher;
        bool norender;
    };
    const Case cases[] = {
        {{"VelmarUtil", "repairdatabase", "patcher"}, true, false},
        {{"VelmarUtil", "repairdatabase", "patcher", "norender"}, true, true},
        {{"VelmarUtil", "RepairDatabase", "patcher"}, false, false},
        {{"VelmarUtil", "repairdatabase", "Patcher"}, false, false},
        {{"VelmarUtil", "repairdatabase"}, false, false},
        {{"VelmarUtil", "version", "NoRender"}, false, true},
        {{"norender"}, false, true},
        {{"VelmarUtil", "norenderx"}, false, false},
    };
    for (Case c : cases) {
        auto argv = Argv(c.argv);
        EXPECT_EQ(IsPatcherCall(int(c.argv.size()), argv.data()), c.patcher) << c.argv.back();
        EXPECT_EQ(HasNorenderWord(int(c.argv.size()), argv.data()), c.norender) << c.argv.back();
    }
}

TEST(StartupDeathTest, EscapingExceptionEndsProcessWith156AndPrintsNothingMore)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunGuarded([]() -> bool { throw VelmarEx("test", 1, "boom"); }), testing::ExitedWithCode(156), "");
    EXPECT_EXIT(RunGuarded([]() -> bool { throw std::runtime_error("other"); }), testing::ExitedWithCode(156), "");
    EXPECT_TRUE(RunGuarded([] { return true; }));
    EXPECT_FALSE(RunGuarded([] { return false; }));
}

} // namespace
