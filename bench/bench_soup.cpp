// Soup read speed: text reader against a well-known JSON parser on the same data, chunked read, lookups.
#include <benchmark/benchmark.h>

#include <cstring>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "soup/ACSConverter.h"
#include "soup/ChunkedSoup.h"
#include "soup/SoupRef.h"
#include "soup/TextSoup.h"

namespace {

// A large configuration from a seeded generator: many objects shaped like asset configs.
SoupRef GenerateConfig(int objects)
{
    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> number(0, 99999);
    std::uniform_real_distribution<float> real(-100.0f, 100.0f);
    const char* words[] = {"timber", "brick", "station", "signal", "bridge", "tunnel", "platform", "shed"};
    SoupRef root;
    root.SetKUID("kuid", KUID(523041, 1, 0));
    root.SetString("username", "Generated route objects");
    root.SetFloat("velmar-build", 3.7f);
    SoupRef table;
    for (int i = 0; i < objects; ++i) {
        SoupRef object;
        object.SetKUID("kuid", KUID(number(random), number(random), 0));
        object.SetString("username", std::string(words[i % 8]) + " " + std::to_string(number(random)));
        object.SetString("kind", words[(i / 8) % 8]);
        object.SetInt("mass", number(random));
        object.SetFloat("scale", real(random));
        float position[3] = {real(random), real(random), real(random)};
        object.SetFloatList("position", position);
        object.SetString("description", "Hand placed object number " + std::to_string(i) + " of the route");
        SoupRef mesh;
        mesh.SetString("mesh", std::string(words[(i + 3) % 8]) + ".im");
        mesh.SetInt("auto-create", 1);
        object.SetContainer("mesh-table", mesh);
        table.SetContainer(std::to_string(i), object);
    }
    root.SetContainer("objects", table);
    return root;
}

// The same tree as JSON: containers as objects, lists as arrays, KUIDs as their tag text.
nlohmann::ordered_json ToJson(const ACSChunk& chunk)
{
    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    for (size_t i = 0; i < chunk.GetChildCount(); ++i) {
        ChunkRef child = chunk.GetChildAt(i);
        std::string name = chunk.GetChildName(i).str();
        const uint8_t* data = child->GetData();
        size_t size = child->GetDataSize();
        switch (child->GetKind()) {
        case ChunkKind::Container: out[name] = ToJson(*child); break;
        case ChunkKind::Integer: {
            int32_t v;
            std::memcpy(&v, data, 4);
            out[name] = v;
            break;
        }
        case ChunkKind::Float: {
            std::vector<float> values(size / 4);
            std::memcpy(values.data(), data, size);
            if (values.size() == 1) out[name] = values[0];
            else out[name] = values;
            break;
        }
        case ChunkKind::Null: out[name] = nullptr; break;
        default: out[name] = std::string(TextOfValue(ConvertValue(child->GetKind(), child->GetValue(), ChunkKind::Text)));
        }
    }
    return out;
}

struct Data {
    std::string text;
    std::string json;
    std::vector<uint8_t> chunked;
    std::vector<Nox::PString> names;
};

const Data& TestData()
{
    static const Data data = [] {
        Data d;
        SoupRef config = GenerateConfig(20000);
        d.text = WriteTextSoup(config);
        d.json = ToJson(*config.Get()).dump(2);
        d.chunked = WriteChunkedSoup(*config.Get());
        std::mt19937 random(7);
        for (int i = 0; i < 1000; ++i) d.names.emplace_back(std::to_string(random() % 20000));
        return d;
    }();
    return data;
}

void BM_TextSoupRead(benchmark::State& state)
{
    const Data& d = TestData();
    for (auto _ : state) {
        SoupRef soup;
        ReadTextSoup(soup, d.text);
        benchmark::DoNotOptimize(soup.Get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(d.text.size()));
    state.counters["MB"] = double(d.text.size()) / 1e6;
}
BENCHMARK(BM_TextSoupRead)->Unit(benchmark::kMillisecond);

void BM_JsonNlohmannRead(benchmark::State& state)
{
    const Data& d = TestData();
    for (auto _ : state) {
        auto json = nlohmann::json::parse(d.json);
        benchmark::DoNotOptimize(json.size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(d.json.size()));
    state.counters["MB"] = double(d.json.size()) / 1e6;
}
BENCHMARK(BM_JsonNlohmannRead)->Unit(benchmark::kMillisecond);

void BM_TextSoupWrite(benchmark::State& state)
{
    SoupRef soup;
    ReadTextSoup(soup, TestData().text);
    for (auto _ : state) benchmark::DoNotOptimize(WriteTextSoup(soup).size());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(TestData().text.size()));
}
BENCHMARK(BM_TextSoupWrite)->Unit(benchmark::kMillisecond);

// Loading a chunked file: header, one body copy and validation of every region.
void BM_ChunkedRead(benchmark::State& state)
{
    const Data& d = TestData();
    for (auto _ : state) benchmark::DoNotOptimize(ReadChunkedSoup(d.chunked).Get());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(d.chunked.size()));
}
BENCHMARK(BM_ChunkedRead)->Unit(benchmark::kMillisecond);

// Loading and then visiting every tag and value through the views.
void BM_ChunkedReadAndWalk(benchmark::State& state)
{
    const Data& d = TestData();
    for (auto _ : state) {
        ChunkRef root = ReadChunkedSoup(d.chunked);
        ChunkRef objects = root->GetChild("objects");
        size_t bytes = 0;
        for (size_t i = 0, n = objects->GetChildCount(); i < n; ++i) {
            ChunkRef object = objects->GetChildAt(i);
            for (size_t j = 0, m = object->GetChildCount(); j < m; ++j) bytes += object->GetChildAt(j)->GetDataSize();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(d.chunked.size()));
}
BENCHMARK(BM_ChunkedReadAndWalk)->Unit(benchmark::kMillisecond);

// 1000 lookups of random objects by name and of three typed values in each.
template <bool kChunked>
void BM_Lookups1000(benchmark::State& state)
{
    const Data& d = TestData();
    SoupRef soup;
    if (kChunked) soup = SoupRef(ReadChunkedSoup(d.chunked));
    else ReadTextSoup(soup, d.text);
    SoupRef objects = soup.GetContainer("objects");
    const Nox::PString mass("mass"), username("username"), kuid("kuid");
    for (auto _ : state) {
        int64_t sum = 0;
        for (const auto& name : d.names) {
            SoupRef object = objects.GetContainer(name);
            sum += object.GetInt(mass, 0) + int64_t(object.GetString(username).size()) + object.GetKUID(kuid).contentId;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 1000);
}
BENCHMARK_TEMPLATE(BM_Lookups1000, false)->Name("BM_Lookups1000/in-memory")->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_Lookups1000, true)->Name("BM_Lookups1000/chunked-views")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
