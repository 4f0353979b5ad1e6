// Script files: plain and scrambled forms, the checked-in sample, damaged .gse files, and the encrypt command end to end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "package/lzss/Lzss.h"
#include "soup/ScriptFile.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

Bytes ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes Le32(uint32_t v)
{
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

// A .gse file built by hand: header, then the payload XORed with the key.
Bytes GseFile(uint32_t format, Bytes payload, uint32_t declaredPayload)
{
    for (size_t i = 0; i < payload.size(); ++i) payload[i] ^= ScriptFile::kScriptKey[i % 32];
    Bytes file = Le32(format);
    for (uint32_t v : {0u, declaredPayload, 0u}) {
        const Bytes w = Le32(v);
        file.insert(file.end(), w.begin(), w.end());
    }
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

Bytes Payload(uint32_t plainSize, const Bytes& stream)
{
    Bytes payload = Le32(plainSize);
    payload.insert(payload.end(), stream.begin(), stream.end());
    return payload;
}

class ScriptFileTest : public testing::Test {
 protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("velmar_script_" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

std::string Text(ScriptFile& script)
{
    std::span<const uint8_t> text;
    EXPECT_TRUE(script.GetText(text));
    return std::string(text.begin(), text.end());
}

TEST_F(ScriptFileTest, CheckedInSampleLoadsAndIsReproducedExactly)
{
    const fs::path data = fs::path(VELMAR_TEST_DATA) / "script";
    const Bytes plain = ReadFile(data / "sample.gs");
    ScriptFile scrambled;
    ASSERT_TRUE(scrambled.Load({}, (data / "sample.gse").string()));
    EXPECT_TRUE(scrambled.IsScrambled());
    EXPECT_EQ(scrambled.FormatWord(), 1u);
    EXPECT_EQ(Text(scrambled), std::string(plain.begin(), plain.end()));

    ScriptFile source;
    ASSERT_TRUE(source.Load({}, (data / "sample.gs").string()));
    ASSERT_TRUE(source.Save({}, Path("sample.gse")));
    EXPECT_EQ(ReadFile(Path("sample.gse")), ReadFile(data / "sample.gse"));
}

TEST_F(ScriptFileTest, PlainAndScrambledRoundTrips)
{
    for (size_t size : {0, 1, 7, 300, 70000}) {
        SCOPED_TRACE(size);
        std::string text;
        for (size_t i = 0; text.size() < size; ++i) text += "line " + std::to_string(i % 97) + " of the script\r\n";
        text.resize(size);
        WriteFile(Path("a.gs"), Bytes(text.begin(), text.end()));
        ScriptFile script;
        ASSERT_TRUE(script.Load({}, Path("a.gs")));
        ASSERT_TRUE(script.Save({}, Path("a.gse")));
        ScriptFile scrambled;
        ASSERT_TRUE(scrambled.Load({}, Path("a.gse")));
        ASSERT_TRUE(scrambled.Save({}, Path("b.gs")));  // unscrambles first
        const Bytes back = ReadFile(Path("b.gs"));
        EXPECT_EQ(std::string(back.begin(), back.end()), text);
        // Saving over an existing file replaces it.
        ASSERT_TRUE(scrambled.Save({}, Path("a.gse")));
        ScriptFile again;
        ASSERT_TRUE(again.Load({}, Path("a.gse")));
        EXPECT_EQ(Text(again), text);
    }
}

TEST_F(ScriptFileTest, DamagedScrambledFiles)
{
    std::string text;
    for (int i = 0; i < 40; ++i) text += "class Damaged" + std::to_string(i) + " { };\r\n";
    const Bytes plain(text.begin(), text.end());
    const Bytes stream = LzssCompress(plain, 9);
    ASSERT_EQ(stream[0], 0x19);
    const Bytes halfStream(stream.begin(), stream.begin() + long(stream.size() / 2));
    struct Case {
        const char* name;
        Bytes file;
        bool loads;     // header and payload read
        bool unscrambles;
        std::string text;
    };
    const Bytes good = Payload(uint32_t(plain.size()), stream);
    const Case cases[] = {
        {"intact", GseFile(1, good, uint32_t(good.size())), true, true, text},
        {"format word kept", GseFile(7, good, uint32_t(good.size())), true, true, text},
        {"trailing bytes ignored", [&] { Bytes f = GseFile(1, good, uint32_t(good.size())); f.push_back(9); return f; }(),
         true, true, text},
        {"payload shorter than declared", GseFile(1, good, uint32_t(good.size() + 1)), false, false, ""},
        {"header cut short", Bytes(10, 0), false, false, ""},
        {"declares 0 bytes", GseFile(1, Payload(0, {}), 4), true, true, ""},
        {"declares more than 64 MiB", GseFile(1, Payload(0x4000001, stream), uint32_t(good.size())), true, false, ""},
        {"declared size differs from the stream", GseFile(1, Payload(uint32_t(plain.size() + 1), stream), uint32_t(good.size())),
         true, false, ""},
        {"payload without the size slot", GseFile(1, Bytes{1, 2}, 2), true, false, ""},
        {"stream cut short", GseFile(1, Payload(uint32_t(plain.size()), halfStream), uint32_t(halfStream.size() + 4)),
         true, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(Path("d.gse"), c.file);
        ScriptFile script;
        ASSERT_EQ(script.Load({}, Path("d.gse")), c.loads);
        if (!c.loads) continue;
        std::span<const uint8_t> got;
        ASSERT_EQ(script.GetText(got), c.unscrambles);
        EXPECT_EQ(std::string(got.begin(), got.end()), c.text);
        if (!c.unscrambles) {
            EXPECT_TRUE(script.Bytes().empty());  // a failed unscramble empties the record
        }
    }
    // A loaded file keeps its format word when written again.
    WriteFile(Path("f.gse"), GseFile(7, good, uint32_t(good.size())));
    ScriptFile kept;
    ASSERT_TRUE(kept.Load({}, Path("f.gse")));
    ASSERT_TRUE(kept.Save({}, Path("g.gse")));
    EXPECT_EQ(ReadFile(Path("g.gse"))[0], 7);
}

TEST_F(ScriptFileTest, PathsThatAreRefused)
{
    WriteFile(Path("s.gs"), Bytes{'x'});
    ScriptFile script;
    EXPECT_FALSE(script.Load({}, Path("missing.gs")));
    EXPECT_FALSE(script.Load({}, Path("s.txt")));
    ASSERT_TRUE(script.Load({}, Path("s.gs")));
    EXPECT_FALSE(script.Save({}, Path("out.txt")));
    EXPECT_FALSE(fs::exists(Path("out.txt")));
    // An existing entry that cannot be deleted fails the save.
    fs::create_directories(Path("busy.gse/inside"));
    EXPECT_FALSE(script.Save({}, Path("busy.gse")));
    // A plain file above 64 MiB is refused (sparse, so cheap to make).
    { std::ofstream(Path("big.gs")).put('x'); }
    fs::resize_file(Path("big.gs"), ScriptFile::kMaxPlainSize + 1);
    EXPECT_FALSE(script.Load({}, Path("big.gs")));
}

// The encrypt command, run as a user would: from a folder of their own, in a
// fresh installation with the program in bin/.
TEST_F(ScriptFileTest, EncryptCommandWritesTheScrambledFileBesideTheSource)
{
    const fs::path program = fs::path(VELMAR_BINARY_DIR) / "app" / "VelmarUtil";
    if (!fs::exists(program)) GTEST_SKIP() << "VelmarUtil not built";
    fs::create_directories(dir_ / "root" / "bin" / "KMXData");
    fs::create_directories(dir_ / "work" / "scripts");
    fs::copy_file(program, dir_ / "root" / "bin" / "VelmarUtil");
    const std::string text = "include \"gs.gs\"\r\nclass Encrypted { };\r\n";
    WriteFile(dir_ / "work" / "scripts" / "x.gs", Bytes(text.begin(), text.end()));
    const std::string run = "cd '" + (dir_ / "work").string() + "' && '" + (dir_ / "root" / "bin" / "VelmarUtil").string() +
                            "' encrypt ";
    struct Case {
        std::string argument;
        int status;
        std::string written;  // the .gse expected afterwards, empty for none
    };
    const Case cases[] = {
        {"scripts/x.gs", 0, "scripts/x.gse"},
        {"scripts/missing.gs", 255, ""},
        {"scripts/X.GS", 255, ""},  // paths are case-sensitive on this system
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        const int status = std::system((run + c.argument + " > '" + Path("out.txt") + "' 2>&1").c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.status);
        const Bytes output = ReadFile(Path("out.txt"));
        const std::string printed(output.begin(), output.end());
        if (c.status != 0) {
            EXPECT_NE(printed.find("Invalid file path."), std::string::npos) << printed;
        }
        if (c.written.empty()) continue;
        ScriptFile written;
        ASSERT_TRUE(written.Load({}, (dir_ / "work" / c.written).string()));
        EXPECT_EQ(Text(written), text);
    }
}

}  // namespace
