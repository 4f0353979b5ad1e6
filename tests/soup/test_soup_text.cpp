// Text soup format: how values are classified on reading, and the exact form written.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "SoupTestUtil.h"
#include "engine/File.h"
#include "soup/ChunkedSoup.h"
#include "soup/Stream.h"
#include "soup/TDBContainerTag.h"
#include "soup/TextSoup.h"

namespace {

SoupRef ReadText(std::string_view text)
{
    SoupRef soup;
    ReadTextSoup(soup, text);
    return soup;
}

std::string Line(std::string_view line) { return std::string("\xEF\xBB\xBF\r\n") + std::string(line); }

TEST(TextSoup, ClassifiesValues)
{
    struct {
        const char* line;
        const char* dump;  // the tag as Dump shows it
    } cases[] = {
        {"count 5", "count 6 05000000\n"},
        {"count -5   ", "count 6 FBFFFFFF\n"},
        {"scale 1.5", "scale 3 0000C03F\n"},
        {"size 2 3", "size 3 0000004000004040\n"},
        {"size 2,3", "size 3 0000004000004040\n"},
        {"size 1-2, -, 3", "size 3 0000803F00004040\n"},
        {"size 1\t2", "size 3 0000803F\n"},
        {"size 1\nsize - ,", ""},  // nothing read: the earlier tag is removed
        {"name 5a", "name 4 356100\n"},
        {"flag", "flag 0 \n"},
        {"flag   \t", "flag 0 \n"},
        {"dash -", "dash 6 00000000\n"},
        {"dot .", "dot 3 00000000\n"},
        {"big 99999999999", "big 6 FFE77648\n"},
        {"big 37000000000000000000", "big 6 FFFFFFFF\n"},  // %d saturates before keeping 32 bits
        {"kuid <kuid:123:456>", "kuid 7 7B000000C8010000\n"},
        {"kuid <KUID:123:456>", "kuid 7 7B000000C8010000\n"},
        {"kuid <kuid2:1:2:3>", "kuid 7 0100000602000000\n"},
        {"kuid \"<NULL>\"", "kuid 7 FFFFFFFFFFFFFFFF\n"},
        {"obsolete-table <kuid:1:2>,<kuid:1:3>", "obsolete-table 4 3C6B7569643A313A323E2C3C6B7569643A313A333E00\n"},
        {"Big-Name 1", "big-name 6 01000000\n"},
        {"q \"a b\"", "q 4 61206200\n"},
        {"q \"\"", "q 4 \n"},
        {"q \"a\r\nb\nc\rd\n\re\"", "q 4 610D0A620D0A630D0A640D0A6500\n"},
        {"u a\\nb \"x\"", "u 4 610D0A622022782200\n"},
        {"u value}", "u 4 76616C756500\n"},
        {"u 5 }", "u 4 352000\n"},
        {"u 1e+10", "u 4 31652B313000\n"},
        {"q \"unterminated\nline", "q 4 756E7465726D696E617465640D0A6C696E6500\n"},
        {"q \"x\" next 1", "q 4 7800\nnext 6 01000000\n"},
        {"a 1\na 2", "a 6 02000000\n"},
        {"a 1\nb 2\na 3", "b 6 02000000\na 6 03000000\n"},
        {"c {\n x 1\n}", "c 1\n  x 6 01000000\n"},
        {"c\n\n  {\n x 1\n}", "c 1\n  x 6 01000000\n"},
        {"c { x 1 }", "c 1\n  x 4 312000\n"},
        {"c {\n d {\n  x 1", "c 1\n  d 1\n    x 6 01000000\n"},
        {"c\n}\nd 1", "c 0 \nd 6 01000000\n"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Dump(ReadText(c.line)), c.dump) << c.line;
        EXPECT_EQ(Dump(ReadText(Line(c.line))), c.dump) << "with mark: " << c.line;
    }
}

TEST(TextSoup, NamesAreLoweredAndCut)
{
    SoupRef soup = ReadText("Velmar-Build 3.5\n" + std::string(600, 'x') + " 1\n");
    EXPECT_TRUE(soup.HasTag("velmar-build"));
    EXPECT_FALSE(soup.HasTag("Velmar-Build"));
    EXPECT_EQ(soup.GetInt(std::string(511, 'x'), 0), 1);
}

TEST(TextSoup, TextWithoutMarkIsWindows1252)
{
    EXPECT_EQ(ReadText("d caf\xE9\n").GetString("d"), "caf\xC3\xA9");
    EXPECT_EQ(ReadText("d \"\x80 \x81\"\n").GetString("d"), "\xE2\x82\xAC \xC2\x81");
    EXPECT_EQ(ReadText(Line("d caf\xC3\xA9\n")).GetString("d"), "caf\xC3\xA9");
}

TEST(TextSoup, StrayClosingBraceAtTopLevelKeepsTheRest)
{
    SoupRef soup = ReadText("a 1\n}\nb 2\n");
    EXPECT_EQ(soup.GetInt("a", 0), 1);
    EXPECT_EQ(soup.GetInt("b", 0), 2);
}

TEST(TextSoup, DeepNestingIsCutOff)
{
    std::string text;
    for (int i = 0; i < kMaxSoupDepth + 10; ++i) text += "c {\n";
    text += "leaf 1\n";
    SoupRef soup = ReadText(text);
    int depth = 0;
    for (SoupRef s = soup; s.GetContainer("c"); s = s.GetContainer("c")) ++depth;
    EXPECT_EQ(depth, kMaxSoupDepth);
    EXPECT_FALSE(ReadChunkedSoup(WriteChunkedSoup(*soup.Get()))->IsNullChunk());
}

TEST(TextSoup, WritesTheExactForm)
{
    SoupRef soup;
    soup.SetInt("count", 5);
    soup.SetString("label", "a b");
    soup.SetString("quote", "say \"hi\"");
    soup.SetString("word", "plain");
    soup.SetString("empty", "");
    soup.SetNull("flag");
    soup.SetKUID("kuid", KUID(5, 7, 0));
    float list[] = {1.0f, 2.5f};
    soup.SetFloatList("list", list);
    soup.SetFloat("big", 1e10f);
    soup.SetString("Has Space", "x");
    soup.SetString(std::string(45, 'n'), "v");
    SoupRef inner;
    inner.SetInt("x", 1);
    SoupRef deeper;
    deeper.SetString("y", "z");
    inner.SetContainer("deeper", deeper);
    soup.SetContainer("first", inner);

    std::string expected = "\xEF\xBB\xBF\r\n"
                           "count                                   5\r\n"
                           "label                                   \"a b\"\r\n"
                           "quote                                   \"say 'hi'\"\r\n"
                           "word                                    \"plain\"\r\n"
                           "empty\r\n"
                           "flag\r\n"
                           "kuid                                    <kuid:5:7>\r\n"
                           "list                                    1,2.5\r\n"
                           "big                                     1e+10\r\n"
                           "has_space                               \"x\"\r\n" +
                           std::string(45, 'n') + " \"v\"\r\n"
                           "\r\n"
                           "first\r\n"
                           "{\r\n"
                           "  x                                     1\r\n"
                           "  \r\n"
                           "  deeper\r\n"
                           "  {\r\n"
                           "    y                                   \"z\"\r\n"
                           "  }\r\n"
                           "}\r\n";
    EXPECT_EQ(WriteTextSoup(soup), expected);

    // What changes on the way back: the empty string becomes a null tag, the name is lowered and
    // the float 1e+10 becomes a string that is no longer a number.
    SoupRef back = ReadText(expected);
    EXPECT_EQ(back.GetTag("empty")->GetKind(), ChunkKind::Null);
    EXPECT_EQ(back.GetString("quote"), "say 'hi'");
    EXPECT_EQ(back.GetTag("big")->GetKind(), ChunkKind::Text);
    EXPECT_EQ(back.GetFloat("big", -1), -1);
    EXPECT_EQ(back.GetKUID("kuid"), KUID(5, 7, 0));
    EXPECT_EQ(WriteTextSoup(ReadText(WriteTextSoup(back))), WriteTextSoup(back));
}

TEST(TextSoup, NumbersChangeKindOnTheWayBack)
{
    SoupRef soup;
    soup.SetFloat("f", 2.0f);
    soup.EnsureContainer();
    int32_t ints[] = {1, 2, 3};
    soup->AddChild("l", CreateMemoryChunk(ChunkKind::Integer, ACSRawDataCore::Copy(ints, sizeof ints)));
    SoupRef back = ReadText(WriteTextSoup(soup));
    EXPECT_EQ(back.GetTag("f")->GetKind(), ChunkKind::Integer);
    EXPECT_EQ(back.GetTag("l")->GetKind(), ChunkKind::Float);
    EXPECT_EQ(back.GetString("l"), "1,2,3");
}

TEST(TextSoup, StreamsAndPrint)
{
    SoupRef soup;
    soup.SetInt("count", 5);
    TBuffer text;
    ASSERT_TRUE(WriteTextSoup(soup, text));
    text.Seek(0);
    SoupRef back;
    ReadTextSoup(back, text);
    EXPECT_EQ(back.GetInt("count", 0), 5);

    TBuffer chunked;
    ASSERT_TRUE(WriteChunkedSoup(*soup.Get(), chunked));
    std::vector<uint8_t> bytes = chunked.Take();
    TBuffer reader(bytes);
    CountedRef<TDBBinaryFile> file(new TDBBinaryFile());
    ASSERT_TRUE(file->ReadFromStream(reader));
    EXPECT_EQ(SoupRef(file->GetRoot()).GetInt("count", 0), 5);
    bytes.pop_back();  // the body is one byte short
    TBuffer shortReader(bytes);
    EXPECT_FALSE(file->ReadFromStream(shortReader));
    EXPECT_TRUE(file->GetRoot()->IsNullChunk());

    ::testing::internal::CaptureStdout();
    soup.Print();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), WriteTextSoup(soup) + "\n");
}

class SoupFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() / ("soup_files_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string Path(const char* name) { return (dir / name).string(); }
    std::filesystem::path dir;
};

TEST_F(SoupFiles, LoadAndSaveChooseTheFormatByExtension)
{
    SoupRef soup;
    soup.SetInt("count", 5);
    struct {
        const char* name;
        const char* extension;
        bool saved;
        const char* magic;
    } cases[] = {
        {"a.txt", "", true, "\xEF\xBB\xBF"},
        {"CONFIG.TXT", "", true, "\xEF\xBB\xBF"},
        {"a.chump", "", true, "ACS$"},
        {"a.CDP", "", true, "ACS$"},
        {"a.cdp2", "", true, "ACS$"},
        {"a.dat", "", false, nullptr},
        {"noext", "", false, nullptr},
        {"a.dat", ".txt", true, "\xEF\xBB\xBF"},
        {"a.txt", "chump", true, "ACS$"},
    };
    for (const auto& c : cases) {
        std::string path = Path(c.name);
        std::filesystem::remove(path);
        EXPECT_EQ(soup.Save({}, path, c.extension), c.saved) << c.name;
        EXPECT_EQ(std::filesystem::exists(path), c.saved) << c.name;
        SoupRef back;
        EXPECT_EQ(back.Load({}, path, c.extension), c.saved) << c.name;
        if (!c.saved) continue;
        std::ifstream in(path, std::ios::binary);
        std::string head(4, '\0');
        in.read(head.data(), 4);
        EXPECT_EQ(head.substr(0, std::strlen(c.magic)), c.magic) << c.name;
        EXPECT_EQ(back.GetInt("count", 0), 5) << c.name;
    }
    SoupRef missing;
    EXPECT_FALSE(missing.Load({}, Path("none.txt")));
    // A chunked file without root loads as an empty soup, successfully.
    std::ofstream(Path("bad.chump"), std::ios::binary) << "ACS$garbage";
    SoupRef bad = SoupRef::NewContainer();
    EXPECT_TRUE(bad.Load({}, Path("bad.chump")));
    EXPECT_FALSE(bad);
    // A dot in a folder name counts when the file name has none.
    std::filesystem::create_directories(dir / "d.txt");
    std::ofstream(Path("d.txt/plain")) << "x 1\n";
    SoupRef dotted;
    EXPECT_FALSE(dotted.Load({}, Path("d.txt/plain")));  // the extension is "txt/plain"
}

}  // namespace
