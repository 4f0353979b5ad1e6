// Interface text: loading with its fallbacks, lookups and miss reports, and that every key the code uses exists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include <unistd.h>

#include "core/interfacetext/InterfaceText.h"
#include "engine/File.h"
#include "engine/Log.h"
#include "soup/ChunkedSoup.h"
#include "soup/TextSoup.h"

namespace {

namespace fs = std::filesystem;

// The message keys quoted in source code: "$vlx_…", "$vlxtask_…" and "$kmx_…".
std::vector<std::string> KeysIn(const std::string& code)
{
    std::vector<std::string> keys;
    for (size_t at = code.find("\"$"); at != std::string::npos; at = code.find("\"$", at + 1)) {
        size_t end = at + 2;
        while (end < code.size() && ((code[end] >= 'a' && code[end] <= 'z') || (code[end] >= '0' && code[end] <= '9') ||
                                     code[end] == '_'))
            ++end;
        std::string key = code.substr(at + 1, end - at - 1);
        for (const char* prefix : {"$vlx_", "$vlxtask_", "$kmx_"})
            if (key.size() > std::strlen(prefix) && key.starts_with(prefix)) {
                keys.push_back(key);
                break;
            }
    }
    return keys;
}

bool IsPlaceholderName(std::string_view name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return (c >= 'A' && c <= 'Z') || c == '_'; });
}

class InterfaceTextFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedRoot = Nox::File::GetProgramRoot();
        root = fs::temp_directory_path() / ("itext_" + std::to_string(::getpid()));
        fs::create_directories(root / "data");
        Nox::File::SetProgramRoot(root.string());
        Nox::Log::SetObserver([this](int, std::string_view line) {
            std::lock_guard<std::mutex> hold(mutex);
            lines.emplace_back(line);
        });
    }
    void TearDown() override
    {
        Nox::Log::SetObserver({});
        Nox::File::SetProgramRoot(savedRoot);
        fs::remove_all(root);
    }
    void WriteChunked(const SoupRef& soup)
    {
        std::vector<uint8_t> bytes = WriteChunkedSoup(*soup.Get());
        std::ofstream(root / "data" / "interfacetext.chump", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    size_t Count(std::string_view text)
    {
        std::lock_guard<std::mutex> hold(mutex);
        size_t n = 0;
        for (const auto& l : lines) n += l.find(text) != std::string::npos;
        return n;
    }

    std::string savedRoot;
    fs::path root;
    std::mutex mutex;
    std::vector<std::string> lines;
};

TEST_F(InterfaceTextFiles, MissingFileReportsOnceAndEveryKeyShowsItself)
{
    InterfaceTextDB db;
    db.EnsureLoaded();
    db.EnsureLoaded();
    EXPECT_EQ(Count("InterfaceTextDB> failed to load compiled interfacetext file"), 1u);
    EXPECT_EQ(Count("InterfaceTextDB> Unable to read interface file 'interfacetext.chump'"), 1u);
    EXPECT_EQ(db.GetString("$vlx_prompt_skipped", true), "$vlx_prompt_skipped");
    EXPECT_EQ(Count("InterfaceTextDB::GetString> Tag '$vlx_prompt_skipped' not found in 'interfacetext.chump'"), 1u);
    for (int i = 2; i <= 12; ++i) EXPECT_EQ(db.GetString("$k" + std::to_string(i), true), "$k" + std::to_string(i));
    EXPECT_EQ(Count("not found in"), 10u);
    EXPECT_EQ(Count("Tag '$k10'"), 1u);
    EXPECT_EQ(Count("Tag '$k11'"), 0u);
    EXPECT_EQ(db.MissingKeyCount(), 12);
    EXPECT_EQ(db.GetString("", true), "");
}

TEST_F(InterfaceTextFiles, LooksUpKeysExactly)
{
    SoupRef soup;
    soup.SetString("$vlx_installed", "Installed $(ASSET_KUID).");
    soup.SetString("$vlx_empty", "");
    soup.SetInt("$vlx_number", 5);
    SoupRef inner;
    inner.SetInt("x", 1);
    soup.SetContainer("$vlx_container", inner);
    WriteChunked(soup);

    InterfaceTextDB db;
    db.EnsureLoaded();
    EXPECT_EQ(Count("InterfaceTextDB>"), 0u);
    EXPECT_EQ(db.GetString("$vlx_installed", true), "Installed $(ASSET_KUID).");  // placeholders stay
    EXPECT_EQ(db.GetString("$vlx_number", true), "5");
    EXPECT_EQ(db.GetString("$VLX_INSTALLED", true), "$VLX_INSTALLED");
    EXPECT_EQ(db.GetString("$vlx_empty", true), "$vlx_empty");
    EXPECT_EQ(db.GetString("$vlx_container", true), "$vlx_container");
    EXPECT_EQ(db.GetString("$vlx_absent", false), "");
    EXPECT_EQ(db.MissingKeyCount(), 3);
}

TEST_F(InterfaceTextFiles, FallsBackToTheTextTwinWhereNamesAreLowered)
{
    std::ofstream(root / "data" / "interfacetext.txt") << "$vlx_a \"A\"\n$VLX_B \"B\"\n";
    InterfaceTextDB db;
    db.EnsureLoaded();
    EXPECT_EQ(Count("InterfaceTextDB> failed to load compiled interfacetext file"), 1u);
    EXPECT_EQ(Count("Unable to read interface file"), 0u);
    EXPECT_EQ(db.GetString("$vlx_a", true), "A");
    EXPECT_EQ(db.GetString("$VLX_B", true), "$VLX_B");
    EXPECT_EQ(db.GetString("$vlx_b", true), "B");
}

TEST_F(InterfaceTextFiles, ConcurrentFirstUsersLoadOnce)
{
    InterfaceTextDB db;
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&db] {
            db.EnsureLoaded();
            for (int j = 0; j < 100; ++j) db.GetString("$vlx_x", false);
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(Count("failed to load compiled"), 1u);
}

// Every message key named in the code has a text in the shipped interface text, and the built
// chunked form holds the same tree as its source.
TEST(InterfaceTextData, EveryKeyInTheCodeHasAText)
{
    const fs::path source = VELMAR_SOURCE_DIR;
    SoupRef texts;
    ASSERT_TRUE(texts.Load({}, (source / "data" / "interfacetext.txt").string()));
    ASSERT_GT(texts.GetTagCount(), 0u);

    std::set<std::string> missing;
    size_t keysSeen = 0;
    for (const char* folder : {"app", "core", "engine", "soup", "package", "assetdb", "gscompiler", "validation"}) {
        if (!fs::exists(source / folder)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(source / folder)) {
            auto ext = entry.path().extension();
            if (ext != ".cpp" && ext != ".h" && ext != ".y" && ext != ".l") continue;
            std::ifstream in(entry.path());
            std::string code((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            for (const std::string& k : KeysIn(code)) {
                ++keysSeen;
                if (texts.GetString(k).empty()) missing.insert(k);
            }
        }
    }
    EXPECT_GT(keysSeen, 0u);
    EXPECT_TRUE(missing.empty()) << "keys without text: " << ::testing::PrintToString(missing);

    // Every placeholder is written "$(NAME)" in capitals.
    for (size_t i = 0; i < texts.GetTagCount(); ++i) {
        std::string text = texts.GetString(texts.GetTagName(i));
        EXPECT_FALSE(text.empty()) << texts.GetTagName(i).view();
        for (size_t at = text.find("$("); at != std::string::npos; at = text.find("$(", at + 2)) {
            size_t close = text.find(')', at);
            ASSERT_NE(close, std::string::npos) << text;
            EXPECT_TRUE(IsPlaceholderName(std::string_view(text).substr(at + 2, close - at - 2))) << text;
        }
    }

    SoupRef built;
    ASSERT_TRUE(built.Load({}, std::string(VELMAR_BINARY_DIR) + "/data/interfacetext.chump"))
        << "build the target velmar_data first";
    EXPECT_EQ(WriteTextSoup(built), WriteTextSoup(texts));
}

}  // namespace
