// Command dispatcher: command words, argument checks and their messages, console output.
#include "app/CommandTable.h"
#include "app/WorkingDirectory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

struct Outcome {
    bool failed = false;
    std::string report;  // the printed log
    std::string console; // what the command wrote directly
};

Outcome Dispatch(std::vector<std::string> words)
{
    std::vector<char*> argv;
    std::string program = "VelmarUtil";
    argv.push_back(program.data());
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    FILE* console = tmpfile();
    AppContext context;
    context.console = console;
    ResultsLog log;
    Outcome out;
    out.failed = DispatchCommand(log, context, int(argv.size() - 1), argv.data());
    out.report = log.FormatResults();
    fflush(console);
    rewind(console);
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, console)) > 0)
        out.console.append(buffer, n);
    fclose(console);
    return out;
}

std::string ErrorReport(std::string_view message)
{
    return "- <NULL> : " + std::string(message) + "\nOK (1 Errors, 0 Warnings)\n";
}

TEST(DispatchTest, ArgumentChecksReportTheirMessage)
{
    struct Case {
        std::vector<std::string> args;
        std::string_view message;
    };
    const std::string_view asset = "Missing AssetID parameter.";
    const Case cases[] = {
        {{}, kInvalidArgumentMessage},
        {{""}, kInvalidArgumentMessage},
        {{"help"}, kInvalidArgumentMessage},
        {{"norender"}, kInvalidArgumentMessage},
        {{"editx", "<kuid:1:2>"}, kInvalidArgumentMessage},
        {{"setlanguage"}, "Missing input langauge id parameter."},
        {{"setlanguage", ""}, "Missing input langauge id parameter."},
        {{"setlanguage", "xx"}, "Unknown language code."},
        {{"setlanguage", "usa"}, "Unknown language code."},
        {{"installcdp"}, "Missing input filepath parameter."},
        {{"installcdp", "", "/My Files/a.cdp"}, "Missing input filepath parameter."},
        {{"installfrompath"}, "Missing input path parameter."},
        {{"installfrompath", "/no/such/folder/anywhere"}, "Invalid input path."},
        {{"importconsists"}, "Missing input path parameter."},
        {{"edit"}, asset},
        {{"EDIT", ""}, asset},
        {{"printconfig"}, asset},
        {{"commit"}, asset},
        {{"revert"}, asset},
        {{"delete"}, asset},
        {{"status"}, asset},
        {{"validate"}, asset},
        {{"compresstexture"}, asset},
        {{"compile"}, "Invalid file path."},
        {{"compile", ""}, "Invalid file path."},
        {{"encrypt"}, "Invalid file path."},
        {{"encrypt", "script.txt"}, "Invalid file path."},
        {{"searchbycategory", "-a"}, "Missing category parameter."},
        {{"searchbycategory", "-A", ""}, "Missing category parameter."},
        {{"createcdp"}, "Missing output path parameter."},
        {{"createcdp", "out.zip", "<kuid:1:2>"}, "The output filename must have a .cdp extension."},
        {{"createcdp", "out", "<kuid:1:2>"}, "The output filename must have a .cdp extension."},
        {{"createcdp", "pack.cdp/out", "<kuid:1:2>"}, "The output filename must have a .cdp extension."},
        {{"createcdp", "out.cdp", "junk"}, "Invalid AssetID."},
        {{"createcdp", "out.cdp", "kuid 1 2"}, "Invalid AssetID."},
        {{"dlsparse"}, "Missing CDP filepath."},
    };
    for (const Case& c : cases) {
        std::string label = c.args.empty() ? "(none)" : c.args[0];
        Outcome out = Dispatch(c.args);
        EXPECT_TRUE(out.failed) << label;
        EXPECT_EQ(out.report, ErrorReport(c.message)) << label;
        EXPECT_EQ(out.console, "") << label;
    }
}

TEST(DispatchTest, ArgumentsThatPassTheChecksReachTheOperation)
{
    // These pass every check; whatever the operation then reports, it is none of the check messages.
    // (encrypt is left out: its operation reports a failed copy with the check's own message.)
    const std::vector<std::string> cases[] = {
        {"setlanguage", "De"},
        {"setlanguage", "hu"},
        {"installcdp", "/My Files/Pack.cdp"},
        {"importconsists", "Consists.txt"},
        {"edit", "<kuid:1:2>"},
        {"edit", "not a kuid"},
        {"compile", "-s"},
        {"searchbycategory"},
        {"searchbycategory", "-a", "cmp"},
        {"createcdp", "Out.CDP", "1:2"},
        {"createcdp", "/tmp/" + std::string(300, 'p') + ".cdp", "1:2"},
        {"backupkeywords"},
        {"repairdatabase", "PATCHER"},
    };
    const std::string_view checks[] = {"Missing", "Unknown language", "Invalid file path.", "Invalid input path.",
                                       "must have a .cdp", "Invalid AssetID.", "Invalid argument"};
    // Operations may write files (a keyword backup, a package) relative to the working directory.
    auto scratch = std::filesystem::temp_directory_path() / ("VelmarDispatchRun" + std::to_string(getpid()));
    std::filesystem::create_directories(scratch);
    ScopedWorkingDirectory inScratch(scratch.string());
    for (const auto& args : cases) {
        Outcome out = Dispatch(args);
        for (std::string_view check : checks)
            EXPECT_EQ(out.report.find(check), std::string::npos) << args[0] << ": " << out.report;
    }
    std::filesystem::remove_all(scratch);
}

TEST(DispatchTest, FolderPathsKeepTheirCase)
{
    // Lower-casing would miss a folder with capitals on a case-sensitive file system.
    auto folder = std::filesystem::temp_directory_path() / ("VelmarDispatch" + std::to_string(getpid())) / "MixedCase";
    std::filesystem::create_directories(folder);
    Outcome out = Dispatch({"installfrompath", folder.string()});
    EXPECT_EQ(out.report.find("Invalid input path."), std::string::npos) << out.report;
    std::filesystem::remove_all(folder.parent_path());
}

TEST(DispatchTest, ConsoleCommands)
{
    struct Case {
        std::vector<std::string> args;
        std::string console;
    };
    const Case cases[] = {
        {{"version"}, "Build 39979\n"},
        {{"VERSION", "extra"}, "Build 39979\n"},
        {{"echo"}, "\n"},
        {{"echo", "a", "b c"}, "a b c \n"},
        {{"Echo", "", "X"}, " X \n"},
    };
    for (const Case& c : cases) {
        Outcome out = Dispatch(c.args);
        EXPECT_FALSE(out.failed) << c.args[0];
        EXPECT_EQ(out.console, c.console) << c.args[0];
        EXPECT_EQ(out.report, "OK (0 Errors, 0 Warnings)\n") << c.args[0];
    }
}

TEST(DispatchTest, InvalidArgumentLeavesABlankLine)
{
    EXPECT_EQ(Dispatch({"nonsense"}).report,
              "- <NULL> : Invalid argument, please check the help for the list of valid argument\n\n"
              "OK (1 Errors, 0 Warnings)\n");
}

TEST(DispatchTest, TexturePathResolution)
{
    struct Case {
        const char* parameter;
        const char* want;
    };
    const Case cases[] = {
        {"/abs/Loco.texture.txt", "/abs/Loco.texture.txt"},
        {"/abs/../x//y.texture.txt", "/abs/../x//y.texture.txt"},
        {"Loco.texture.txt", "/work/dir/Loco.texture.txt"},
        {"sub/../Other/t.texture.txt", "/work/dir/Other/t.texture.txt"},
        {"./a\\b.texture.txt", "/work/dir/a/b.texture.txt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveTexturePath(c.parameter, "/work/dir"), c.want) << c.parameter;
    // Longer than a path object holds: still absolute, still unchanged.
    const std::string longAbsolute = "/abs/" + std::string(300, 'd') + "/t.texture.txt";
    EXPECT_EQ(ResolveTexturePath(longAbsolute, "/work/dir"), longAbsolute);
}

} // namespace
