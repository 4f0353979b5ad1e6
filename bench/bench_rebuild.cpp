// Rebuild of the index from 20 000 generated asset folders, and a category search over 300 000 records.
#include "assetdb/AssetQuery.h"
#include "assetdb/IndexRebuild.h"
#include "assetdb/KindTables.h"
#include "assetdb/RecordFill.h"
#include "assetdb/RecordsFromFolders.h"
#include "core/FileUtils.h"
#include "engine/File.h"
#include "soup/SoupRef.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kAssetFolders = 20000;
constexpr int kBuiltinFolders = 4000;  // the rest lie under local
constexpr int kSearchRecords = 300000;

fs::path gRoot;
std::vector<std::string> gAssetFolders;  // every generated asset folder, for the file-system pass

struct KindSample {
    const char* kind;
    const char* extra;
};

// A spread of kinds with the tags that steer their category codes.
constexpr KindSample kKinds[] = {
    {"traincar", "engine 1\n"}, {"traincar", "category-class XB\n"}, {"traincar", "tender 1\n"},
    {"scenery", "trackside 2.5\n"}, {"scenery", "category-class BR\n"}, {"buildable", ""},
    {"industry", ""},          {"track", "istrack 1\n"},           {"mesh", ""},
    {"groundtexture", ""},     {"bridge", "type road\nisroad 1\n"}, {"profile", "map-kuid <kuid:400:1>\n"},
};

std::string ConfigText(int n, std::mt19937& random)
{
    const KindSample& kind = kKinds[random() % std::size(kKinds)];
    char text[1400];
    std::snprintf(text, sizeof text,
                  "kuid <kuid2:%d:%d:%d>\r\n"
                  "kind %s\r\n%s"
                  "username \"Generated asset %d\"\r\n"
                  "velmar-build %d.%d\r\n"
                  "category-region-0 %s\r\n"
                  "category-era-0 %d0s\r\n"
                  "company \"Works %d (Rail), Ltd.\"\r\n"
                  "description \"A generated asset used to measure how fast the index is rebuilt "
                  "from its folders; it carries the tags that ordinary content carries.\"\r\n"
                  "mesh-table\r\n{\r\n  default\r\n  {\r\n    mesh \"asset.im\"\r\n    auto-create 1\r\n"
                  "  }\r\n}\r\n"
                  "thumbnails\r\n{\r\n  0\r\n  {\r\n    image \"thumb.jpg\"\r\n    width 240\r\n"
                  "    height 180\r\n  }\r\n}\r\n",
                  100000 + n % 500, n, n % 3, kind.kind, kind.extra, n, 2 + int(random() % 3),
                  int(random() % 10), (n % 2) ? "Germany" : "AU", 190 + int(random() % 10), n % 97);
    return text;
}

void WriteFile(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

void GenerateInstallation()
{
    if (!gRoot.empty())
        return;
    gRoot = fs::temp_directory_path() / ("velmar_bench_rebuild_" + std::to_string(getpid()));
    fs::remove_all(gRoot);
    std::mt19937 random(20240611);
    const std::string mesh(2048, 'm');
    for (int n = 0; n < kAssetFolders; ++n) {
        fs::path folder;
        if (n < kBuiltinFolders) {
            folder = gRoot / "base" / ("group " + std::to_string(n / 200)) / ("asset " + std::to_string(n));
        } else {
            char hash[16];
            std::snprintf(hash, sizeof hash, "hash-%02X", n % 256);
            folder = gRoot / "local" / hash / ("content " + std::to_string(n));
        }
        fs::create_directories(folder);
        WriteFile(folder / "config.txt", ConfigText(n, random));
        WriteFile(folder / "asset.im", mesh);
        WriteFile(folder / "thumb.jpg", mesh.substr(0, 512));
        gAssetFolders.push_back(folder.string());
    }
    fs::create_directories(gRoot / "editing");
    fs::create_directories(gRoot / "trash");
}

// The whole rebuild: scan, read, parse, fill, stamp, merge, sort.
void BM_RebuildIndex20000(benchmark::State& state)
{
    GenerateInstallation();
    size_t records = 0;
    for (auto _ : state) {
        VLXAssetIndex index;
        VLXRebuildIndexFromFolders(index, gRoot.string());
        records = index.array.size();
        benchmark::DoNotOptimize(records);
    }
    if (records != size_t(kAssetFolders))
        state.SkipWithError("rebuild did not find every generated asset");
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(records));
    state.counters["assets_per_s"] =
        benchmark::Counter(double(records), benchmark::Counter::kIsIterationInvariantRate);
}

// File-system work of the same rebuild alone: listing the folders, reading the configuration
// bytes (the chunked name is tried first, as the rebuild does), the folder stamp and the size.
void BM_FileSystemOnly20000(benchmark::State& state)
{
    GenerateInstallation();
    for (auto _ : state) {
        uint64_t sum = 0;
        Nox::File::Find find;
        for (const char* location : {"base", "local"}) {
            for (bool ok = find.Open((gRoot / location).string() + "/*"); ok; ok = find.Next()) {
                Nox::File::Find inner;
                for (bool more = inner.Open(find.GetNameAndPath() + "/*"); more; more = inner.Next())
                    sum += inner.GetName().size();
            }
        }
        std::vector<uint8_t> bytes;
        for (const std::string& folder : gAssetFolders) {
            Nox::ReadAll(folder + "/config.chump", bytes);
            Nox::ReadAll(folder + "/config.txt", bytes);
            sum += bytes.size();
            sum += FolderContentHash({}, folder);
            sum += uint64_t(VLXFolderFileBytes(folder));
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kAssetFolders);
}

// Parsing and filling alone, from configuration bytes already in memory.
void BM_ParseAndFill20000(benchmark::State& state)
{
    GenerateInstallation();
    std::vector<std::vector<uint8_t>> configs(gAssetFolders.size());
    for (size_t i = 0; i < gAssetFolders.size(); ++i)
        Nox::ReadAll(gAssetFolders[i] + "/config.txt", configs[i]);
    for (auto _ : state) {
        for (const auto& bytes : configs) {
            SoupRef config;
            config.LoadFromBytes(bytes, "txt");
            VLXAssetRecord record;
            record.diskSize = 0;  // measured by the file-system pass
            benchmark::DoNotOptimize(VLXFillRecordFromConfig(config, record, true, gRoot.string()));
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kAssetFolders);
}

// 300 000 records as a load of assets.tdx leaves them: allocated one after the other in the
// order of the record array (the file holds them sorted by name).
VLXAssetIndex& SearchIndex()
{
    static VLXAssetIndex index = [] {
        VLXAssetIndex built;
        std::mt19937 random(77);
        const auto kinds = VLXKindTable();
        std::vector<std::string> names;
        for (int n = 0; n < kSearchRecords; ++n)
            names.push_back("Asset " + std::to_string(random()));
        std::sort(names.begin(), names.end());
        for (int n = 0; n < kSearchRecords; ++n) {
            auto record = std::make_shared<VLXAssetRecord>();
            record->kuid = KUID(200000 + n % 1000, n, 0);
            record->name = names[n];
            record->categoryClass = std::string(kinds[random() % kinds.size()].codes);
            if (n % 5 == 0)
                record->categoryClass += ";#CUSTOM";
            if (n % 4 != 0)
                record->localPath = "local/hash-00/content " + std::to_string(n);
            else
                record->flags |= kFlagOnDownloadStation;
            VLXRebuildSearchText(*record);
            built.Add(record);
        }
        built.SortArray();
        return built;
    }();
    return index;
}

void RunSearch(benchmark::State& state, const char* expression)
{
    VLXAssetIndex& index = SearchIndex();
    VLXQueryContext context{index, "/nonexistent"};
    VLXAssetQuery query;
    query.local = VLXAssetQuery::kMustBeTrue;  // searchbycategory without -a
    query.categoryExpression = expression;
    size_t matches = 0;
    for (auto _ : state) {
        matches = VLXQueryAssets(context, query).size();
        benchmark::DoNotOptimize(matches);
    }
    state.counters["matches"] = double(matches);
    state.SetItemsProcessed(int64_t(state.iterations()) * kSearchRecords);
}

// The floor under every search: reading each record's category codes once, in array order.
void BM_WalkRecords300k(benchmark::State& state)
{
    VLXAssetIndex& index = SearchIndex();
    for (auto _ : state) {
        size_t sum = 0;
        for (const VLXAssetRecordRef& record : index.array)
            sum += record->categoryClass.size() + size_t(record->categoryClass.empty() ? 0 : record->categoryClass[0]);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kSearchRecords);
}

void BM_SearchByCategory300k_TR(benchmark::State& state) { RunSearch(state, "TR"); }
void BM_SearchByCategory300k_Complex(benchmark::State& state) { RunSearch(state, "CMP;MESH|BD;-ACTV|VE|SCEN"); }

BENCHMARK(BM_RebuildIndex20000)->Unit(benchmark::kMillisecond)->MinWarmUpTime(1.0)->MinTime(3.0);
BENCHMARK(BM_FileSystemOnly20000)->Unit(benchmark::kMillisecond)->MinWarmUpTime(1.0)->MinTime(3.0);
BENCHMARK(BM_ParseAndFill20000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WalkRecords300k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchByCategory300k_TR)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchByCategory300k_Complex)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!gRoot.empty())
        fs::remove_all(gRoot);
    return 0;
}
