// LZSS level 9 against zlib level 9 on a generated mixed corpus, and the scrambling stream's throughput.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

#include "package/lzss/Lzss.h"
#include "soup/Stream.h"
#include "tests/package/LzssTestData.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kPieceSize = 3 << 20;  // a few MB of each kind

// Photographs stand-in: smooth shapes with noise, JPEG-encoded at quality 90
// until the piece is full, so the data is already compressed.
Bytes JpegData(size_t size)
{
    Bytes out;
    lzsstest::Rng rng(99);
    const int w = 640, h = 480;
    std::vector<uint8_t> pixels(size_t(w) * h * 3);
    for (int image = 0; out.size() < size; ++image) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                uint8_t* p = &pixels[(size_t(y) * w + x) * 3];
                const double v = std::sin(x * 0.02 + image) * std::cos(y * 0.03 - image) * 100 + 128;
                p[0] = uint8_t(std::clamp(v + double(rng.Below(40)), 0.0, 255.0));
                p[1] = uint8_t((x + y + image * 17) & 0xFF);
                p[2] = uint8_t(std::clamp(255 - v + double(rng.Below(25)), 0.0, 255.0));
            }
        }
        stbi_write_jpg_to_func(
            [](void* context, void* data, int n) {
                auto* bytes = static_cast<Bytes*>(context);
                bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + n);
            },
            &out, w, h, 3, pixels.data(), 90);
    }
    out.resize(size);
    return out;
}

struct Corpus {
    std::map<std::string, Bytes> pieces;
    Corpus()
    {
        pieces["text"] = lzsstest::Text(kPieceSize, 1);
        pieces["binary"] = lzsstest::Binary(kPieceSize, 2);
        pieces["jpeg"] = JpegData(kPieceSize);
    }
    std::vector<const Bytes*> Select(const std::string& name) const
    {
        std::vector<const Bytes*> out;
        for (const auto& [key, bytes] : pieces)
            if (name == "mixed" || name == key) out.push_back(&bytes);
        return out;
    }
};

const Corpus& TheCorpus()
{
    static const Corpus corpus;
    return corpus;
}

size_t TotalSize(const std::vector<const Bytes*>& pieces)
{
    size_t total = 0;
    for (const Bytes* piece : pieces) total += piece->size();
    return total;
}

void Finish(benchmark::State& state, size_t bytes, size_t packed)
{
    state.SetBytesProcessed(int64_t(state.iterations() * bytes));
    state.counters["ratio"] = double(packed) / double(bytes);
}

void LzssCompress9(benchmark::State& state, const std::string& kind)
{
    const auto pieces = TheCorpus().Select(kind);
    std::vector<Bytes> outs;
    for (const Bytes* piece : pieces) outs.emplace_back(LzssCompressBound(piece->size()));
    size_t packed = 0;
    for (auto _ : state) {
        packed = 0;
        for (size_t i = 0; i < pieces.size(); ++i)
            packed += LzssCompressBlock(outs[i].data(), outs[i].size(), pieces[i]->data(), pieces[i]->size(), 9);
        benchmark::DoNotOptimize(packed);
    }
    Finish(state, TotalSize(pieces), packed);
}

void LzssDecompress9(benchmark::State& state, const std::string& kind)
{
    const auto pieces = TheCorpus().Select(kind);
    std::vector<Bytes> streams;
    size_t packed = 0;
    for (const Bytes* piece : pieces) {
        streams.push_back(LzssCompress(*piece, 9));
        packed += streams.back().size();
    }
    Bytes out(kPieceSize);
    for (auto _ : state) {
        for (size_t i = 0; i < pieces.size(); ++i) {
            const auto n = LzssDecompressBlock(out.data(), out.size(), streams[i].data(), streams[i].size());
            if (!n || *n != pieces[i]->size()) state.SkipWithError("decode failed");
        }
        benchmark::ClobberMemory();
    }
    Finish(state, TotalSize(pieces), packed);
}

void ZlibCompress9(benchmark::State& state, const std::string& kind)
{
    const auto pieces = TheCorpus().Select(kind);
    Bytes out(compressBound(uLong(kPieceSize)));
    size_t packed = 0;
    for (auto _ : state) {
        packed = 0;
        for (const Bytes* piece : pieces) {
            uLongf n = uLongf(out.size());
            if (compress2(out.data(), &n, piece->data(), uLong(piece->size()), 9) != Z_OK) state.SkipWithError("zlib");
            packed += n;
        }
    }
    Finish(state, TotalSize(pieces), packed);
}

void ZlibUncompress(benchmark::State& state, const std::string& kind)
{
    const auto pieces = TheCorpus().Select(kind);
    std::vector<Bytes> streams;
    size_t packed = 0;
    for (const Bytes* piece : pieces) {
        Bytes s(compressBound(uLong(piece->size())));
        uLongf n = uLongf(s.size());
        compress2(s.data(), &n, piece->data(), uLong(piece->size()), 9);
        s.resize(n);
        packed += n;
        streams.push_back(std::move(s));
    }
    Bytes out(kPieceSize);
    for (auto _ : state) {
        for (size_t i = 0; i < pieces.size(); ++i) {
            uLongf n = uLongf(out.size());
            if (uncompress(out.data(), &n, streams[i].data(), uLong(streams[i].size())) != Z_OK)
                state.SkipWithError("zlib");
        }
        benchmark::ClobberMemory();
    }
    Finish(state, TotalSize(pieces), packed);
}

// Writing and reading the mixed corpus through the scrambling stream over memory.
void ScrambleStream(benchmark::State& state, bool writing)
{
    const auto pieces = TheCorpus().Select("mixed");
    const size_t total = TotalSize(pieces);
    TBuffer scrambled;
    {
        TStreamObfuscated out;
        out.OpenWithSeed(&scrambled, TStreamObfuscated::kScrambled, 0x5EED);
        for (const Bytes* piece : pieces) out.Write(piece->data(), piece->size());
    }
    Bytes back(total);
    for (auto _ : state) {
        if (writing) {
            TBuffer sink;
            TStreamObfuscated out;
            out.OpenWithSeed(&sink, TStreamObfuscated::kScrambled, 0x5EED);
            for (const Bytes* piece : pieces) out.Write(piece->data(), piece->size());
            benchmark::DoNotOptimize(sink.Size());
        } else {
            TBuffer source{scrambled.Data()};
            TStreamObfuscated in;
            in.Open(TStreamObfuscated::kReading, &source, TStreamObfuscated::kScrambled);
            if (in.Read(back.data(), back.size()) != total) state.SkipWithError("short read");
            benchmark::ClobberMemory();
        }
    }
    Finish(state, total, total);
}

void RegisterAll()
{
    for (const std::string kind : {"text", "binary", "jpeg", "mixed"}) {
        benchmark::RegisterBenchmark(("lzss_compress9/" + kind).c_str(), LzssCompress9, kind)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("zlib_compress9/" + kind).c_str(), ZlibCompress9, kind)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("lzss_decompress9/" + kind).c_str(), LzssDecompress9, kind)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("zlib_uncompress/" + kind).c_str(), ZlibUncompress, kind)->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("scramble_stream/write", ScrambleStream, true)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("scramble_stream/read", ScrambleStream, false)->Unit(benchmark::kMillisecond);
}

// Collects each run's bytes per second so the ratios to zlib can be printed
// from the same run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end()) rates[run.benchmark_name()] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RegisterAll();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto rate = [&](const std::string& name) {
        const auto it = reporter.rates.find(name);
        return it == reporter.rates.end() ? 0.0 : it->second;
    };
    std::printf("\nThroughput relative to zlib in this run (LZSS level 9 / zlib level 9):\n");
    for (const std::string kind : {"text", "binary", "jpeg", "mixed"}) {
        const double enc = rate("lzss_compress9/" + kind), zenc = rate("zlib_compress9/" + kind);
        const double dec = rate("lzss_decompress9/" + kind), zdec = rate("zlib_uncompress/" + kind);
        if (zenc > 0 && zdec > 0)
            std::printf("  %-6s encode %.2fx (%.1f vs %.1f MB/s)  decode %.2fx (%.1f vs %.1f MB/s)\n", kind.c_str(),
                        enc / zenc, enc / 1e6, zenc / 1e6, dec / zdec, dec / 1e6, zdec / 1e6);
    }
    const double sw = rate("scramble_stream/write"), sr = rate("scramble_stream/read");
    if (sw > 0 || sr > 0) std::printf("  scrambling stream: write %.2f GB/s, read %.2f GB/s\n", sw / 1e9, sr / 1e9);
    benchmark::Shutdown();
    return 0;
}
