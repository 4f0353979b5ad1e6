// assets.tdx: every version 20..36 reads, version 36 writes byte-exactly, damaged files are rejected.
#include "IndexFileSample.h"

#include "assetdb/AssetIndexFile.h"
#include "tests/assetdb/GeneratedIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

VLXIndexReadContext Context()
{
    VLXIndexReadContext context;
    context.machine = sample::kMachine;
    return context;
}

VLXIndexReadResult Read(std::vector<uint8_t> image, VLXAssetIndex& index)
{
    return VLXReadIndex(image, index, Context());
}

// What a record of `version` holds after reading: fields the version does not store stay 0.
VLXAssetRecord Expected(VLXAssetRecord r, uint32_t v)
{
    if (r.installedPath.empty()) {
        r.flags &= 0x7F;
        r.flags2 &= 0xFE;
    }
    if (v <= 27)
        r.flags2 &= uint8_t(~0x10);
    if (v <= 22) {
        r.flags2 &= 0x7F;
        r.obsoleteGeneration = 0;
    }
    if (v <= 28)
        r.permissions &= uint8_t(~0x03);
    if (v <= 32)
        r.extraFlag = 0;
    if (v <= 20)
        r.folderStamp = 0;
    if (r.location == "base")
        r.permissions &= uint8_t(~0x04);
    return r;
}

void ExpectRecord(const VLXAssetRecord& want, const VLXAssetRecord& got)
{
    SCOPED_TRACE(want.kuid.ToTagText());
    EXPECT_EQ(want.kuid, got.kuid);
    EXPECT_EQ(want.categoryClass, got.categoryClass);
    EXPECT_EQ(want.name, got.name);
    EXPECT_EQ(want.regionList, got.regionList);
    EXPECT_EQ(want.eraList, got.eraList);
    EXPECT_EQ(want.keywords, got.keywords);
    EXPECT_EQ(want.editingPath, got.editingPath);
    EXPECT_EQ(want.installedPath, got.installedPath);
    EXPECT_EQ(want.location, got.location);
    EXPECT_EQ(want.localPath, got.localPath);
    EXPECT_EQ(want.mapKuid, got.mapKuid);
    EXPECT_EQ(int(want.flags), int(got.flags));
    EXPECT_EQ(int(want.flags2), int(got.flags2));
    EXPECT_EQ(want.obsoleteGeneration, got.obsoleteGeneration);
    EXPECT_EQ(int(want.permissions), int(got.permissions));
    EXPECT_EQ(int(want.extraFlag), int(got.extraFlag));
    EXPECT_EQ(want.diskSize, got.diskSize);
    EXPECT_EQ(want.build, got.build);
    EXPECT_EQ(int(want.localRating), int(got.localRating));
    EXPECT_EQ(want.installTime, got.installTime);
    EXPECT_EQ(want.modifyTime, got.modifyTime);
    EXPECT_EQ(want.cachedDescription, got.cachedDescription);
    EXPECT_EQ(want.displayName, got.displayName);
    EXPECT_EQ(want.folderStamp, got.folderStamp);
}

class IndexVersions : public testing::TestWithParam<uint32_t> {};

TEST_P(IndexVersions, EverySectionReads)
{
    const uint32_t v = GetParam();
    VLXAssetIndex index;
    VLXIndexReadResult result = Read(sample::BuildFile(v, 0x12345678), index);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(v, result.version);

    std::vector<VLXAssetRecord> records = sample::Records();
    ASSERT_EQ(records.size(), index.array.size());
    for (size_t i = 0; i < records.size(); ++i) {
        ExpectRecord(Expected(records[i], v), *index.array[i]);
        EXPECT_EQ(index.array[i].get(), index.Lookup(records[i].kuid));
    }
    EXPECT_EQ("Alpha Loco;steam;green;locomotive", index.array[0]->searchText);

    ASSERT_EQ(2u, index.obsoleteMap.Entries().size());
    EXPECT_TRUE(index.obsoleteMap.carriesThird);
    EXPECT_EQ(KUID(10, 2, 0), index.obsoleteMap.Map(KUID(10, 1, 0)));
    EXPECT_EQ(KUID(10, 3, 0), index.obsoleteMap.Find(KUID(10, 1, 0))->third);
    EXPECT_EQ(v > 25 ? 1u : 0u, index.kuidMap2.Entries().size());

    const VLXDependencyEntry* deps = index.dependencies.Find(KUID(123, 456, 0));
    ASSERT_NE(nullptr, deps);
    EXPECT_EQ((std::vector<KUID>{KUID(-3, 100, 127), KUID(9, 9, 1)}), deps->requiredKuids);
    EXPECT_EQ((std::vector<KUID>{KUID(5, 5, 0)}), deps->requiringKuids);

    ASSERT_EQ(2u, index.authors.size());
    EXPECT_EQ("jane doe", index.authors[0].name.str());
    EXPECT_EQ(4242, index.authors[0].userId);
    EXPECT_EQ("max", index.authors[1].name.str());
    EXPECT_EQ(8, index.authors[1].secondId);

    if (v > 34) {
        ASSERT_EQ(2u, index.log.entries.size());
        EXPECT_EQ(17u, index.log.sequence);
        EXPECT_TRUE(index.log.entries[0].hasKuid);
        EXPECT_EQ(KUID(123, 456, 0), index.log.entries[0].kuid);
        EXPECT_EQ("repair failed", index.log.entries[1].text);
        EXPECT_EQ(1, index.log.entries[1].level);
        EXPECT_EQ(16u, index.log.entries[1].sequence);
    } else {
        EXPECT_TRUE(index.log.entries.empty());
    }
    EXPECT_EQ(v > 23 ? "Current User" : "", index.currentUser.str());
    EXPECT_EQ(v > 35 ? "second text" : "", index.userText2.str());
    EXPECT_EQ(v > 35, index.userFlag2);
    EXPECT_EQ(v > 24, index.noGpuCompression);
    if (v > 29) {
        EXPECT_EQ(40000u, index.highestBuild);
    }
    EXPECT_EQ(v > 30 ? 0x0005F00000000000ull : 0ull, index.timeStamp);
    EXPECT_EQ(v > 26 ? "de" : "", index.settings.GetContainer("internet").GetString("language"));
    EXPECT_TRUE(index.assetData.IsEmpty());

    ASSERT_EQ(1u, index.pathEntries.size());
    EXPECT_EQ("base/group/alpha", index.pathEntries[0].path);
    EXPECT_EQ((std::vector<KUID>{KUID(1, 2, 0), KUID(1, 3, 0)}), index.pathEntries[0].kuids);  // null dropped
    EXPECT_EQ(v > 31 ? 0x0123456789ABCDEFull : 0ull, index.value64);
    EXPECT_EQ("station", index.downloadStation.text);
    EXPECT_EQ((std::vector<std::string>{"http://a/1", "http://a/2"}), index.downloadStation.queuedUrls);
    EXPECT_EQ((std::array<uint32_t, 3>{11, 22, 33}), index.trailerValues);
    EXPECT_EQ((std::array<uint8_t, 8>{9, 8, 7, 1, 0xA1, 0xB2, 0xC3, 0xD4}), index.clientId);
    EXPECT_TRUE(index.fullScanDone);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, IndexVersions,
                         testing::Values(20u, 21u, 23u, 24u, 25u, 26u, 27u, 28u, 29u, 30u, 31u, 32u, 33u, 34u, 35u, 36u));

TEST(IndexFile, Version36WritesByteExactlyAndReadsBackFieldForField)
{
    sample::Options options;
    options.nullInPathKuids = false;
    options.records[0].permissions &= uint8_t(~0x04);  // location "base" never keeps commit permission
    options.authors[0] = "jane doe";
    options.authors[1] = "max";
    const std::vector<uint8_t> expected = sample::BuildFile(36, 0xA5A5F00D, options);

    // Built field by field, not read from a file.
    VLXAssetIndex index;
    for (const VLXAssetRecord& r : options.records)
        index.Add(std::make_shared<VLXAssetRecord>(r));
    index.obsoleteMap.carriesThird = true;
    index.obsoleteMap.Set({KUID(10, 1, 0), KUID(10, 2, 0), KUID(10, 3, 0)});
    index.obsoleteMap.Set({KUID(11, 1, 0), KUID(11, 2, 0), KUID::Null});
    index.kuidMap2.Set({KUID(-2, 1001, 127), KUID(-2, 5000, 127)});
    VLXDependencyEntry& deps = index.dependencies.Get(KUID(123, 456, 0));
    deps.requiredKuids = {KUID(-3, 100, 127), KUID(9, 9, 1)};
    deps.requiringKuids = {KUID(5, 5, 0)};
    index.authors = {{"jane doe", 4242, 7}, {"max", 5151, 8}};
    index.log.sequence = 17;
    index.log.entries = {{1, true, KUID(123, 456, 0), "created", 0, 15}, {2, false, KUID::Null, "repair failed", 1, 16}};
    index.currentUser = "Current User";
    index.userText2 = "second text";
    index.userFlag2 = true;
    index.noGpuCompression = true;
    index.highestBuild = 40000;
    index.timeStamp = 0x0005F00000000000ull;
    SoupRef internet = SoupRef::NewContainer();
    internet.SetString("language", "de");
    index.settings = SoupRef::NewContainer();
    index.settings.SetContainer("internet", internet);
    index.pathEntries = {{true, 3, "base/group/alpha", "note", 9, {KUID(1, 2, 0), KUID(1, 3, 0)}}};
    index.value64 = 0x0123456789ABCDEFull;
    index.downloadStation = {"station", 1000, {"http://a/1", "http://a/2"}};
    index.trailerValues = {11, 22, 33};
    index.clientId = {9, 8, 7, 1, 0xA1, 0xB2, 0xC3, 0xD4};
    index.fullScanDone = true;

    std::vector<uint8_t> written = VLXWriteIndex(index, 0xA5A5F00D);
    ASSERT_EQ(expected.size(), written.size());
    EXPECT_EQ(expected, written);

    // Reading back gives every field again.
    VLXAssetIndex back;
    ASSERT_TRUE(Read(written, back).ok);
    for (size_t i = 0; i < options.records.size(); ++i)
        ExpectRecord(Expected(options.records[i], 36), *back.array[i]);
    EXPECT_EQ(VLXWriteIndex(back, 0xA5A5F00D), written);
}

TEST(IndexFile, HeaderIsPlainAndBodyScrambledByFileOffset)
{
    std::vector<uint8_t> written = VLXWriteIndex(VLXAssetIndex(), 0);
    uint32_t header[4];
    std::memcpy(header, written.data(), 16);
    EXPECT_EQ(0xCEEBA2DBu, header[0]);
    EXPECT_EQ(36u, header[1]);
    EXPECT_EQ(written.size(), header[2]);
    EXPECT_EQ(0u, header[3]);
    // Seed 0, position 16: the record count 0 is stored as 0x10 ^ ror8(0, 0) ^ ror8(0, 5).
    EXPECT_EQ(0x10, written[16]);
}

TEST(IndexFile, RejectsDamagedFiles)
{
    auto patched = [](uint32_t v, size_t offset, uint32_t value) {
        std::vector<uint8_t> file = sample::BuildFile(v, 0);
        std::memcpy(file.data() + offset, &value, 4);
        return file;
    };
    std::vector<uint8_t> longer = sample::BuildFile(33, 0);
    longer.push_back(0);
    // Offsets below are plain-text positions in version-33 files (no scrambling).
    std::vector<uint8_t> v33 = sample::BuildFile(33, 0);
    auto findBytes = [&](const std::vector<uint8_t>& file, std::string_view text) {
        return size_t(std::search(file.begin(), file.end(), text.begin(), text.end()) - file.begin());
    };
    const size_t stationVersion = findBytes(v33, "station") - 8;
    const size_t pathMarker = findBytes(v33, std::string_view("\x65\x4E\x49\x41", 4));

    // Version-36 files: unscramble, overwrite the bytes after `pattern`'s start, scramble again.
    auto patchedPlain = [](std::vector<uint8_t> pattern, std::vector<uint8_t> replacement) {
        std::vector<uint8_t> file = sample::BuildFile(36, 0);
        TStreamObfuscated::UnscrambleBytes(file.data() + 16, file.size() - 16, 0, 16);
        auto at = std::search(file.begin() + 16, file.end(), pattern.begin(), pattern.end());
        EXPECT_NE(file.end(), at);
        std::copy(replacement.begin(), replacement.end(), at);
        TStreamObfuscated::ScrambleBytes(file.data() + 16, file.size() - 16, 0, 16);
        return file;
    };
    // dependency table: u16 version 1, u32 count 1, KUID <kuid:123:456>
    const std::vector<uint8_t> dependencyHeader = {1, 0, 1, 0, 0, 0, 0xC8, 1, 0, 0, 0x7B, 0, 0, 0};
    // database log: u16 version 0, u32 sequence 17, u32 count 2
    const std::vector<uint8_t> logHeader = {0, 0, 17, 0, 0, 0, 2, 0, 0, 0};

    struct Case {
        const char* name;
        std::vector<uint8_t> file;
    } cases[] = {
        {"dependency table version 2", patchedPlain(dependencyHeader, {2, 0})},
        {"database log version 1", patchedPlain(logHeader, {1, 0})},
        {"dependency count beyond the file", patchedPlain(dependencyHeader, {1, 0, 0xFF, 0xFF, 0xFF, 0x0F})},
        {"wrong magic", patched(36, 0, 0xCEEBA2DC)},
        {"version 19", patched(33, 4, 19)},
        {"version 37", patched(33, 4, 37)},
        {"size field too small", patched(36, 8, uint32_t(sample::BuildFile(36, 0).size() - 1))},
        {"file longer than its size field", longer},
        {"empty file", {}},
        {"path entry end marker", patched(33, pathMarker, 0x41494E66)},
        {"download station version", patched(33, stationVersion, 2)},
    };
    for (const Case& c : cases) {
        VLXAssetIndex index;
        index.Add(std::make_shared<VLXAssetRecord>());
        VLXIndexReadResult result = Read(c.file, index);
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_TRUE(index.array.empty() && index.records.empty()) << c.name << ": a rejected file leaves the index empty";
    }
}

TEST(IndexFile, RejectsEveryTruncation)
{
    for (uint32_t v : {33u, 36u}) {
        std::vector<uint8_t> full = sample::BuildFile(v, 99);
        for (size_t n = 0; n < full.size(); ++n) {
            std::vector<uint8_t> cut(full.begin(), full.begin() + ptrdiff_t(n));
            if (cut.size() >= 12) {
                uint32_t size = uint32_t(n);
                std::memcpy(cut.data() + 8, &size, 4);  // a consistent size field: only the body is short
            }
            VLXAssetIndex index;
            const VLXIndexReadResult result = Read(cut, index);
            ASSERT_FALSE(result.ok) << "version " << v << " cut at " << n;
            // Read by two threads (the sample has two records): rejected for the same reason.
            VLXIndexReadContext twoThreads = Context();
            twoThreads.twoThreadRecords = 2;
            const VLXIndexReadResult split = VLXReadIndex(cut, index, twoThreads);
            ASSERT_FALSE(split.ok) << "version " << v << " cut at " << n;
            ASSERT_STREQ(result.reason, split.reason) << "version " << v << " cut at " << n;
        }
    }
}

TEST(IndexFile, OldWriterBuildIsRaisedAndMarksChanged)
{
    VLXAssetIndex index;
    ASSERT_TRUE(Read(sample::BuildFile(36, 5, {.lastWriterBuild = 39000}), index).ok);
    EXPECT_EQ(39979u, index.lastWriterBuild);
    EXPECT_TRUE(index.changeFlags & kChangedRecords);

    std::vector<uint8_t> written = VLXWriteIndex(index, 5);
    VLXAssetIndex again;
    ASSERT_TRUE(Read(written, again).ok);
    EXPECT_EQ(39979u, again.lastWriterBuild);
    EXPECT_FALSE(again.changeFlags & kChangedRecords);
}

TEST(IndexFile, ClockDrivenFields)
{
    // A stored time stamp more than a day old marks the records changed; a future-dated download
    // station stamp is reset with a log line; another machine's client identifier is replaced.
    std::vector<std::string> lines;
    VLXIndexReadContext context;
    context.now = 0x0005F00000000000ull + 86400ull * 1000000ull + 1;
    context.machine = {1, 1, 1, 1};
    context.random = [] { return 0x00332211u; };
    context.log = [&](const std::string& line) { lines.push_back(line); };

    sample::Options options;
    std::vector<uint8_t> file = sample::BuildFile(36, 3, options);
    VLXAssetIndex index;
    ASSERT_TRUE(VLXReadIndex(file, index, context).ok);
    EXPECT_TRUE(index.changeFlags & kChangedRecords);
    EXPECT_EQ(context.now, index.timeStamp);
    EXPECT_EQ(1000u, index.downloadStation.timeStamp);  // in the past: kept
    EXPECT_EQ((std::array<uint8_t, 8>{0x11, 0x22, 0x33, 2, 1, 1, 1, 1}), index.clientId);

    context.now = 500;
    file = sample::BuildFile(36, 3, options);
    ASSERT_TRUE(VLXReadIndex(file, index, context).ok);
    EXPECT_EQ(0u, index.downloadStation.timeStamp);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("VLXDownloadStation::Read> future-dated timestamp, resetting", lines.back());
}

TEST(IndexFile, TextEdgeCases)
{
    VLXAssetIndex index;
    auto record = std::make_shared<VLXAssetRecord>();
    record->kuid = KUID(1, 1, 0);
    record->name = std::string(0x10000, 'x');  // too long to store: written as the empty text
    record->keywords = std::string(0xFFFF, 'k');
    index.Add(record);
    index.authors = {{"", 12, 99}, {"after", 13, 1}};
    std::vector<uint8_t> written = VLXWriteIndex(index, 1);
    VLXAssetIndex back;
    ASSERT_TRUE(Read(written, back).ok);
    EXPECT_EQ("", back.array[0]->name);
    EXPECT_EQ(0xFFFFu, back.array[0]->keywords.size());
    ASSERT_EQ(2u, back.authors.size());  // an empty name alone does not end the table

    // An entry with the user id -1 ends the author table and is not kept.
    index.authors = {{"first", 12, 1}, {"end", -1, 0}};
    written = VLXWriteIndex(index, 1);
    ASSERT_TRUE(Read(written, back).ok);
    ASSERT_EQ(1u, back.authors.size());
    EXPECT_EQ("first", back.authors[0].name.str());
}

TEST(IndexFile, ManyMinimalRecordsOfTheOldestVersionRead)
{
    sample::Options options;
    options.records.clear();
    for (int i = 0; i < 3000; ++i) {
        VLXAssetRecord r;
        r.kuid = KUID(1, i, 0);
        options.records.push_back(r);
    }
    VLXAssetIndex index;
    VLXIndexReadResult result = Read(sample::BuildFile(20, 0, options), index);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(3000u, index.array.size());
}

TEST(IndexFile, DuplicateKuidKeepsOneRecord)
{
    sample::Options options;
    options.records.push_back(options.records[0]);
    options.records.back().displayName = "Zulu";
    VLXAssetIndex index;
    ASSERT_TRUE(Read(sample::BuildFile(36, 1, options), index).ok);
    EXPECT_EQ(2u, index.array.size());
    EXPECT_EQ(2u, index.records.size());
    EXPECT_EQ("Zulu", index.Lookup(KUID(123, 456, 0))->displayName);
}

// Large indexes are read by two threads; whatever the version, and wherever in the records a
// damage, a break of the name order or a repeated KUID lies, the result is that of reading them
// one by one.
std::vector<VLXAssetRecord> LargeRecords()
{
    std::vector<VLXAssetRecord> records;
    for (const VLXAssetRecordRef& r : generated::Index(10000, 5).array)
        records.push_back(*r);
    return records;
}

TEST(IndexFile, LargeIndexReadsRecordForRecordAtEveryVersion)
{
    sample::Options options;
    options.records = LargeRecords();
    for (uint32_t v : {20u, 27u, 36u}) {
        SCOPED_TRACE(v);
        VLXAssetIndex index;
        VLXIndexReadResult result = Read(sample::BuildFile(v, 8, options), index);
        ASSERT_TRUE(result.ok) << result.reason;
        EXPECT_EQ(2, result.recordThreads);
        EXPECT_TRUE(result.arraySorted);
        ASSERT_EQ(options.records.size(), index.array.size());
        for (size_t i = 0; i < options.records.size(); ++i) {
            const VLXAssetRecord& want = options.records[i];
            ASSERT_EQ(index.array[i].get(), index.Lookup(want.kuid));
            ExpectRecord(Expected(want, v), *index.array[i]);
            EXPECT_EQ(want.searchText, index.array[i]->searchText);
        }
    }
}

TEST(IndexFile, LargeIndexDamageOrderAndRepeatsAnywhere)
{
    const std::vector<VLXAssetRecord> records = LargeRecords();
    const size_t n = records.size();
    for (size_t at : {size_t(1), n / 4, 2 * n / 5, n / 2, 3 * n / 4, n - 1}) {
        SCOPED_TRACE(at);
        {
            // Shown names of at - 1 and at exchanged: the order breaks there only.
            sample::Options options;
            options.records = records;
            const std::string before = records[at - 1].ShownName(), after = records[at].ShownName();
            ASSERT_NE(before, after);
            options.records[at - 1].displayName = after;
            options.records[at].displayName = before;
            VLXAssetIndex index;
            VLXIndexReadResult result = Read(sample::BuildFile(36, 2, options), index);
            ASSERT_TRUE(result.ok) << result.reason;
            EXPECT_EQ(2, result.recordThreads);
            EXPECT_FALSE(result.arraySorted);
            EXPECT_EQ(n, index.array.size());
        }
        {
            // The KUID of the first record again: the later record takes the first's place.
            sample::Options options;
            options.records = records;
            options.records[at].kuid = records[0].kuid;
            VLXAssetIndex index;
            VLXIndexReadResult result = Read(sample::BuildFile(36, 2, options), index);
            ASSERT_TRUE(result.ok) << result.reason;
            EXPECT_FALSE(result.arraySorted);
            ASSERT_EQ(n - 1, index.array.size());
            EXPECT_EQ(index.array[0].get(), index.Lookup(records[0].kuid));
            EXPECT_EQ(records[at].name, index.array[0]->name);
        }
        {
            // The length of this record's name runs past the end (version 33: not scrambled).
            sample::Options options;
            options.records = records;
            options.records[at].name = "damaged here " + std::to_string(at);
            std::vector<uint8_t> file = sample::BuildFile(33, 0, options);
            const std::string& name = options.records[at].name;
            auto text = std::search(file.begin(), file.end(), name.begin(), name.end());
            ASSERT_NE(file.end(), text);
            const uint32_t huge = 0xFFFFFF00u;
            std::memcpy(&*(text - 4), &huge, 4);
            VLXAssetIndex index;
            VLXIndexReadResult result = Read(file, index);
            EXPECT_FALSE(result.ok);
            EXPECT_STREQ("truncated", result.reason);
            EXPECT_TRUE(index.array.empty() && index.records.empty());
        }
    }
}

}  // namespace
