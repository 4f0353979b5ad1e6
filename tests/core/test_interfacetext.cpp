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

// The message keys quoted in the program's sources.
std::set<std::string> KeysInTheCode()
{
    const fs::path source = VELMAR_SOURCE_DIR;
    std::set<std::string> keys;
    for (const char* folder : {"app", "core", "engine", "soup", "package", "assetdb", "gscompiler", "validation"}) {
        if (!fs::exists(source / folder)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(source / folder)) {
            auto ext = entry.path().extension();
            if (ext != ".cpp" && ext != ".h" && ext != ".y" && ext != ".l") continue;
            std::ifstream in(entry.path());
            std::string code((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            for (std::string& k : KeysIn(code)) keys.insert(std::move(k));
        }
    }
    return keys;
}

SoupRef ShippedTexts()
{
    SoupRef texts;
    texts.Load({}, (fs::path(VELMAR_SOURCE_DIR) / "data" / "interfacetext.txt").string());
    return texts;
}

// Every message key named in the code has a text in the shipped interface text, and the built
// chunked form holds the same tree as its source.
TEST(InterfaceTextData, EveryKeyInTheCodeHasAText)
{
    SoupRef texts = ShippedTexts();
    ASSERT_GT(texts.GetTagCount(), 0u);

    std::set<std::string> used = KeysInTheCode();
    std::set<std::string> missing;
    for (const std::string& k : used)
        if (texts.GetString(k).empty()) missing.insert(k);
    EXPECT_FALSE(used.empty());
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

// The reverse: every text in the file is for a key the code uses, or for one of the messages of
// install, commit, repair, package and validation work that is planned but not yet written. A
// misspelt key in the file is caught here, since the code would never find its text.
TEST(InterfaceTextData, EveryTextIsForAKnownKey)
{
    static const std::set<std::string> kAwaited = {
        "$vlx_installed", "$vlx_failed_install", "$vlx_write_error", "$vlx_overwrite_error",
        "$vlx_unreadable_cdp", "$vlx_unable_read_config_at", "$vlx_skipping_asset_at",
        "$vlx_prompt_openforedit", "$vlx_prompt_openforedit_log", "$vlx_prompt_builtin",
        "$vlx_prompt_builtin_log", "$vlx_prompt_dls_item", "$vlx_prompt_dls_item_log",
        "$vlx_prompt_alreadyinstalled", "$vlx_prompt_alreadyinstalled_log", "$vlx_prompt_skipped",
        "$vlx_edit_perm", "$vlx_open_file_error", "$vlx_copy_file_error", "$vlx_log_openforedit_success",
        "$vlx_not_committed", "$vlx_already_open_for_edit", "$vlx_commit_perm", "$vlx_commit_open_for_edit",
        "$vlx_commit_database_error", "$vlx_commit_missing_config", "$vlx_commit_wrong_kuid",
        "$vlx_commit_invalid_files", "$vlx_commit_file_error", "$vlx_log_commit_success",
        "$vlx_log_revert_success", "$vlx_log_delete_err_archive", "$vlx_log_delete_success",
        "$vlx_log_asset_created", "$vlx_unable_to_open", "$vlx_unable_read_config", "$vlx_unable_read_files",
        "$vlx_package_file_read_err", "$vlx_package_file_too_large", "$vlx_package_unknown_compression",
        "$vlx_package_folder_read_err", "$vlx_package_folder_err", "$vlx_package_file_bad_name",
        "$vlx_package_file_bad_ext", "$vlx_log_repair_start", "$vlx_log_repair_end", "$vlx_validating_crash",
        "$vlx_texture_compress_err", "$vlx_untitled_asset", "$vlxtask_repair_title",
        "$vlxtask_repair_err_duplicate", "$vlxtask_repair_erasing", "$vlxtask_repair_deletes",
        "$vlxtask_repair_adds", "$vlxtask_repair_changes", "$vlxtask_repair_changed", "$vlxtask_repair_damaged",
        "$vlxtask_repair_patch_summary", "$vlxtask_repair_obsolete", "$vlxtask_repair_depend",
        "$kmx_future_asset", "$kmx_obsolete_water", "$kmx_obsolete_dyebox",
    };
    SoupRef texts = ShippedTexts();
    ASSERT_GT(texts.GetTagCount(), 0u);
    std::set<std::string> used = KeysInTheCode();
    std::set<std::string> unknown;
    for (size_t i = 0; i < texts.GetTagCount(); ++i) {
        std::string key = texts.GetTagName(i).str();
        if (!used.count(key) && !kAwaited.count(key)) unknown.insert(key);
    }
    EXPECT_TRUE(unknown.empty()) << "texts for keys nothing uses: " << ::testing::PrintToString(unknown);
}

}  // namespace
