// Batch lines: terminator removal, splitting into arguments, and which lines are skipped.
#include "app/BatchFile.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Words = std::vector<std::string>;

TEST(BatchLineTest, SplitsAtSpacesWithQuotesGrouping)
{
    struct Case {
        const char* line;
        Words tokens; // without argv[0]
        bool skipped;
    };
    const Case cases[] = {
        {"edit <kuid:123:456>", {"edit", "<kuid:123:456>"}, false},
        {"\"edit\" \"<kuid:123:456>\"", {"edit", "<kuid:123:456>"}, false},
        {"installcdp  \"C:\\My Files\\a.cdp\"", {"installcdp", "", "C:\\My Files\\a.cdp"}, false},
        {"  echo", {"", "echo"}, false},
        {" echo  x", {"echo", "", "x"}, false},
        {"\"echo\" \"a b\"", {"echo", "a b"}, false},
        {"echo a \"b c\"", {"echo", "a", "b c"}, false},
        {"", {""}, false},
        {"   ", {"", "", ""}, false},
        {"\n", {"\n"}, true},
        {"\r", {"\r"}, true},
        {"echo \"a b", {"echo"}, false},
        {"\"", {}, false},
        {"echo \"\"", {"echo", ""}, false},
        {"echo a\"b c\"", {"echo", "b c"}, false},
        {"echo \"a\"b", {"echo", "a"}, false},
        {"echo \" x\"", {"echo", " x"}, false}, // a quoted leading space is a real argument
        {"echo\ttab", {"echo\ttab"}, false},
    };
    for (const Case& c : cases) {
        BatchArguments args = SplitBatchLine(c.line, "/inst/bin/VelmarUtil");
        Words want = {"/inst/bin/VelmarUtil"};
        want.insert(want.end(), c.tokens.begin(), c.tokens.end());
        EXPECT_EQ(args.words, want) << "[" << c.line << "]";
        ASSERT_EQ(args.argv.size(), want.size() + 1);
        EXPECT_EQ(args.argv.back(), nullptr);
        for (size_t i = 0; i < want.size(); ++i)
            EXPECT_STREQ(args.argv[i], want[i].c_str());
        EXPECT_EQ(IsSkippedBatchLine(args), c.skipped) << "[" << c.line << "]";
    }
}

TEST(BatchLineTest, TerminatorsEndTheLineFromTheSecondCharacter)
{
    struct Case {
        const char* read;
        const char* trimmed;
    };
    const Case cases[] = {
        {"echo x\n", "echo x"}, {"echo x\r\n", "echo x"}, {"\n", "\n"},        {"\r\n", "\r"},
        {"a\rb\n", "a"},        {"", ""},                 {"no end", "no end"}, {"x\n\n", "x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrimBatchLine(c.read), c.trimmed) << c.read;
}

TEST(BatchLineTest, AtMost511TokensPerLine)
{
    std::string line;
    for (int i = 0; i < 600; ++i)
        line += "x ";
    BatchArguments args = SplitBatchLine(line, "p");
    EXPECT_EQ(args.argc(), 512);
    EXPECT_EQ(args.argv.size(), 513u);
}

} // namespace
