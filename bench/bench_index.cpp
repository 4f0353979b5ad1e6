// Writing and loading assets.tdx of 100 000 and 300 000 generated records, against a raw read plus
// unscramble of the same file and against SQLite reading the same rows; start-up of `status`.
#include "assetdb/AssetIndexFile.h"
#include "engine/File.h"
#include "soup/Stream.h"
#include "tests/assetdb/GeneratedIndex.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string& Folder()
{
    static const std::string folder = [] {
        std::string f = (fs::temp_directory_path() / "velmar-bench-index").string();
        fs::create_directories(f);
        return f;
    }();
    return folder;
}

std::string IndexPath(size_t n)
{
    return Folder() + "/assets-" + std::to_string(n) + ".tdx";
}

const VLXAssetIndex& Sample(size_t n)
{
    static std::map<size_t, VLXAssetIndex> cache;
    auto it = cache.find(n);
    if (it == cache.end())
        it = cache.emplace(n, generated::Index(n)).first;
    return it->second;
}

void EnsureIndexFile(size_t n)
{
    if (fs::exists(IndexPath(n)))
        return;
    std::vector<uint8_t> image = VLXWriteIndex(Sample(n), 12345);
    std::ofstream(IndexPath(n), std::ios::binary).write((const char*)image.data(), std::streamsize(image.size()));
}

double RawReadAndUnscrambleMs(const std::string& path)
{
    auto start = std::chrono::steady_clock::now();
    std::vector<uint8_t> image;
    Nox::ReadAll(path, image);
    uint32_t seed;
    std::memcpy(&seed, image.data() + 12, 4);
    TStreamObfuscated::UnscrambleBytes(image.data() + 16, image.size() - 16, seed, 16);
    benchmark::DoNotOptimize(image.data());
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void BM_WriteIndex(benchmark::State& state)
{
    const size_t n = size_t(state.range(0));
    const VLXAssetIndex& index = Sample(n);
    const std::string path = Folder() + "/written.tdx";
    size_t bytes = 0;
    for (auto _ : state) {
        std::vector<uint8_t> image = VLXWriteIndex(index, 777);
        Nox::File file;
        file.Open(path, Nox::File::kCreate);
        file.Write(image.data(), image.size());
        file.Close();
        bytes = image.size();
    }
    state.counters["file_MB"] = double(bytes) / 1e6;
}

void BM_LoadIndex(benchmark::State& state)
{
    const size_t n = size_t(state.range(0));
    EnsureIndexFile(n);
    double rawMs = 0, loadMs = 0;
    int rounds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        std::vector<uint8_t> image;
        Nox::ReadAll(IndexPath(n), image);
        VLXAssetIndex index;
        VLXIndexReadContext context;
        VLXIndexReadResult result = VLXReadIndex(image, index, context);
        if (!result.ok || index.array.size() != n)
            state.SkipWithError("index did not load");
        if (!result.arraySorted)  // as the database's load does
            index.SortArray();
        loadMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        index = VLXAssetIndex();  // freeing is not part of the load
        rawMs += RawReadAndUnscrambleMs(IndexPath(n));
        ++rounds;
        state.ResumeTiming();
    }
    state.counters["load_ms"] = loadMs / rounds;
    state.counters["raw_read_unscramble_ms"] = rawMs / rounds;
    state.counters["ratio_to_raw"] = loadMs / rawMs;
}

void BM_RawReadAndUnscramble(benchmark::State& state)
{
    const size_t n = size_t(state.range(0));
    EnsureIndexFile(n);
    for (auto _ : state)
        benchmark::DoNotOptimize(RawReadAndUnscrambleMs(IndexPath(n)));
}

// ---- SQLite reading the same rows into the same records

const char* kColumns =
    "kuid_user, kuid_content, kuid_version, category_class, name, region_list, era_list, keywords, editing_path,"
    " installed_path, location, local_path, map_user, map_content, map_version, flags, flags2, obsolete_generation,"
    " permissions, extra_flag, disk_size, build, local_rating, install_time, modify_time, cached_description,"
    " display_name, folder_stamp";

std::string SqlitePath(size_t n)
{
    return Folder() + "/assets-" + std::to_string(n) + ".sqlite";
}

void EnsureSqlite(size_t n)
{
    if (fs::exists(SqlitePath(n)))
        return;
    sqlite3* db = nullptr;
    sqlite3_open(SqlitePath(n).c_str(), &db);
    sqlite3_exec(db, (std::string("CREATE TABLE assets(") + kColumns + ")").c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       (std::string("INSERT INTO assets VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"))
                           .c_str(),
                       -1, &insert, nullptr);
    for (const VLXAssetRecordRef& r : Sample(n).array) {
        int c = 1;
        auto text = [&](const std::string& s) { sqlite3_bind_text(insert, c++, s.data(), int(s.size()), SQLITE_STATIC); };
        auto integer = [&](int64_t v) { sqlite3_bind_int64(insert, c++, v); };
        integer(r->kuid.userId), integer(r->kuid.contentId), integer(r->kuid.version);
        text(r->categoryClass), text(r->name), text(r->regionList), text(r->eraList), text(r->keywords);
        text(r->editingPath), text(r->installedPath), text(r->location), text(r->localPath);
        integer(r->mapKuid.userId), integer(r->mapKuid.contentId), integer(r->mapKuid.version);
        integer(r->flags), integer(r->flags2), integer(r->obsoleteGeneration), integer(r->permissions);
        integer(r->extraFlag), integer(r->diskSize);
        sqlite3_bind_double(insert, c++, r->build);
        integer(r->localRating), integer(int64_t(r->installTime)), integer(int64_t(r->modifyTime));
        text(r->cachedDescription), text(r->displayName), integer(r->folderStamp);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void BM_SqliteReadRows(benchmark::State& state)
{
    const size_t n = size_t(state.range(0));
    EnsureSqlite(n);
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(SqlitePath(n).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db, (std::string("SELECT ") + kColumns + " FROM assets").c_str(), -1, &select, nullptr);
        std::unordered_map<KUID, VLXAssetRecordRef> map;
        std::vector<VLXAssetRecordRef> array;
        map.reserve(n);
        array.reserve(n);
        while (sqlite3_step(select) == SQLITE_ROW) {
            auto r = std::make_shared<VLXAssetRecord>();
            int c = 0;
            auto text = [&](std::string& s) {
                s.assign((const char*)sqlite3_column_text(select, c), size_t(sqlite3_column_bytes(select, c)));
                ++c;
            };
            auto integer = [&] { return sqlite3_column_int64(select, c++); };
            r->kuid = KUID(int32_t(integer()), int32_t(integer()), int32_t(integer()));
            text(r->categoryClass), text(r->name), text(r->regionList), text(r->eraList), text(r->keywords);
            text(r->editingPath), text(r->installedPath), text(r->location), text(r->localPath);
            r->mapKuid = KUID(int32_t(integer()), int32_t(integer()), int32_t(integer()));
            r->flags = uint8_t(integer()), r->flags2 = uint8_t(integer());
            r->obsoleteGeneration = uint32_t(integer()), r->permissions = uint8_t(integer());
            r->extraFlag = uint8_t(integer()), r->diskSize = int32_t(integer());
            r->build = float(sqlite3_column_double(select, c++));
            r->localRating = uint8_t(integer());
            r->installTime = uint64_t(integer()), r->modifyTime = uint64_t(integer());
            text(r->cachedDescription), text(r->displayName);
            r->folderStamp = uint32_t(integer());
            VLXRebuildSearchText(*r);
            map.emplace(r->kuid, r);
            array.push_back(std::move(r));
        }
        sqlite3_finalize(select);
        sqlite3_close(db);
        if (array.size() != n)
            state.SkipWithError("rows missing");
        state.PauseTiming();
        map.clear();
        array.clear();
        state.ResumeTiming();
    }
}

// ---- start-up of `VelmarUtil status` on an installation of 100 000 records

void BM_StatusStartup(benchmark::State& state)
{
    const size_t n = size_t(state.range(0));
    EnsureIndexFile(n);
    const std::string install = Folder() + "/install-" + std::to_string(n);
    fs::create_directories(install + "/bin/KMXData");
    const std::string program = install + "/bin/VelmarUtil";
    fs::copy_file(std::string(VELMAR_BINARY_DIR) + "/app/VelmarUtil", program, fs::copy_options::overwrite_existing);
    const KUID kuid = Sample(n).array[n / 2]->kuid;
    const std::string command = program + " status \"" + kuid.ToTagText() + "\" > /dev/null";
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(IndexPath(n), install + "/assets.tdx", fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("status failed");
    }
}

}  // namespace

BENCHMARK(BM_WriteIndex)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadIndex)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RawReadAndUnscramble)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SqliteReadRows)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StatusStartup)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
