// Round trips of hand-written asset configurations through the text and the chunked formats.
#include <gtest/gtest.h>

#include <filesystem>

#include "SoupTestUtil.h"
#include "engine/File.h"
#include "soup/ACSConverter.h"
#include "soup/ChunkedSoup.h"
#include "soup/TextSoup.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> CorpusFiles()
{
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(fs::path(VELMAR_TEST_DATA) / "soup"))
        if (e.path().extension() == ".txt") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

SoupRef LoadFile(const fs::path& path)
{
    SoupRef soup;
    EXPECT_TRUE(soup.Load({}, path.string())) << path;
    return soup;
}

// Names, order and structure must match; data tags must give the same text. The text format may
// change a value's kind (a float 2 reads back as an integer), never what it says.
void ExpectSameText(const ACSChunk& a, const ACSChunk& b, const std::string& where)
{
    ASSERT_EQ(a.GetChildCount(), b.GetChildCount()) << where;
    for (size_t i = 0; i < a.GetChildCount(); ++i) {
        std::string name = a.GetChildName(i).str();
        ASSERT_EQ(name, b.GetChildName(i).view()) << where;
        ChunkRef x = a.GetChildAt(i);
        ChunkRef y = b.GetChildAt(i);
        ASSERT_EQ(x->GetKind() == ChunkKind::Container, y->GetKind() == ChunkKind::Container) << where << "/" << name;
        if (x->GetKind() == ChunkKind::Container) {
            ExpectSameText(*x, *y, where + "/" + name);
            continue;
        }
        std::string tx(TextOfValue(ConvertValue(x->GetKind(), x->GetValue(), ChunkKind::Text)));
        std::string ty(TextOfValue(ConvertValue(y->GetKind(), y->GetValue(), ChunkKind::Text)));
        for (char& c : tx)
            if (c == '"') c = '\'';
        EXPECT_EQ(tx, ty) << where << "/" << name;
    }
}

TEST(SoupCorpus, EveryFileSurvivesTextAndChunkedRoundTrips)
{
    auto files = CorpusFiles();
    ASSERT_GE(files.size(), 12u);
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        SoupRef original = LoadFile(path);
        ASSERT_TRUE(original);
        ASSERT_GT(original.GetTagCount(), 3u);

        // Text: one pass settles the kinds; a second pass changes nothing.
        std::string text1 = WriteTextSoup(original);
        SoupRef once;
        ReadTextSoup(once, text1);
        ExpectSameText(*original.Get(), *once.Get(), "");
        std::string text2 = WriteTextSoup(once);
        EXPECT_EQ(text1, text2);
        SoupRef twice;
        ReadTextSoup(twice, text2);
        EXPECT_EQ(Dump(twice), Dump(once));

        // Chunked: exact kinds and bytes, and the same bytes when written again from the views.
        std::vector<uint8_t> chunked = WriteChunkedSoup(*original.Get());
        ChunkRef root = ReadChunkedSoup(chunked);
        ASSERT_FALSE(root->IsNullChunk());
        SoupRef fromChunked(root);
        EXPECT_EQ(Dump(fromChunked), Dump(original));
        EXPECT_EQ(WriteChunkedSoup(*root), chunked);
        EXPECT_EQ(WriteTextSoup(fromChunked), text1);

        // A deep copy of the views is an independent tree with the same content.
        SoupRef copy;
        copy.CopyFrom(fromChunked);
        EXPECT_EQ(Dump(copy), Dump(original));
    }
}

TEST(SoupCorpus, FilesReadAsWritten)
{
    struct {
        const char* file;
        const char* container;  // "" for the root
        const char* tag;
        const char* text;  // GetString of the tag
    } cases[] = {
        {"loco_steam.txt", "", "kuid", "<kuid:523041:1001>"},
        {"loco_steam.txt", "kuid-table", "2", "<kuid:-3:10076>"},
        {"region_alpine.txt", "", "username", "Alpental Gr\xC3\xBC\xC3\x9F" "e"},
        {"region_alpine.txt", "", "description", "Caf\xC3\xA9 and ski lifts; tickets 5 \xE2\x82\xAC."},
        {"region_alpine.txt", "season-names", "summer", "Fr\xC3\xBChsommer"},
        {"script_library.txt", "", "description",
         "Keeps a timetable for each driver.\r\nStops are matched by name, arrivals and departures\r\n"
         "are given in minutes after midnight.\r\n\r\nVersion 1 adds platform changes."},
        {"signal_home.txt", "", "description", "Two aspect semaphore.\r\nArm lowered for clear.\r\nLamp lit at night."},
        {"signal_home.txt", "", "notes", "Uses \"standard\" lamp colours"},
        {"signal_home.txt", "", "light-offset", "0,2.85,-0.12"},
        {"repeated.txt", "", "username", "Second name wins"},
        {"repeated.txt", "", "mass", "12"},
        {"track_ballast.txt", "", "username", "Ballasted track, wooden sleepers"},
        {"consist_freight.txt", "", "obsolete-table", "<kuid:81234:498>,<kuid:81234:499>"},
        {"consist_freight.txt", "", "replaces", "<NULL>"},
        {"sound_horn.txt", "", "range", "1.5e+3"},
        {"sound_horn.txt", "", "fade-out", "2"},
        {"terrain_profile.txt", "", "heights", "-1,-0.5,0.5,1"},
        {"terrain_profile.txt", "", "steps", "1,2,3"},
        {"terrain_profile.txt", "", "flags", "0"},
    };
    for (const auto& c : cases) {
        SoupRef soup = LoadFile(fs::path(VELMAR_TEST_DATA) / "soup" / c.file);
        SoupRef where = *c.container ? soup.GetContainer(c.container) : soup;
        EXPECT_EQ(where.GetString(c.tag), c.text) << c.file << " " << c.tag;
    }
    SoupRef repeated = LoadFile(fs::path(VELMAR_TEST_DATA) / "soup" / "repeated.txt");
    EXPECT_EQ(repeated.GetTagName(repeated.GetTagCount() - 1).view(), "mesh-table");
    EXPECT_EQ(repeated.GetContainer("mesh-table").GetContainer("default").GetString("mesh"), "b.im");
    SoupRef track = LoadFile(fs::path(VELMAR_TEST_DATA) / "soup" / "track_ballast.txt");
    EXPECT_EQ(track.GetKUID("kuid"), KUID(118822, 400, 0));
    EXPECT_FALSE(track.HasTag("Kind"));
    SoupRef station = LoadFile(fs::path(VELMAR_TEST_DATA) / "soup" / "building_station.txt");
    EXPECT_EQ(station.GetContainer("attachments").GetTagCount(), 40u);
    EXPECT_EQ(station.GetContainer("platforms").GetContainer("unfinished").GetString("note"), "left open by its author");
}

}  // namespace
