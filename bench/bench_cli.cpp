// Whole-process timings of the program: "VelmarUtil version", and a batch file of 1000 echo lines.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A fresh installation in a temporary folder: root/bin/VelmarUtil (a copy), root/bin/KMXData/,
// root/data/, and batch files of echo lines at the root.
struct Installation {
    fs::path root;
    fs::path program;

    Installation()
    {
        root = fs::temp_directory_path() / ("velmar-bench-cli-" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "bin" / "KMXData");
        fs::create_directories(root / "data");
        program = root / "bin" / "VelmarUtil";
        fs::copy_file(fs::path(VELMAR_BINARY_DIR) / "app" / "VelmarUtil", program);
        fs::path chump = fs::path(VELMAR_BINARY_DIR) / "data" / "interfacetext.chump";
        if (fs::exists(chump))
            fs::copy_file(chump, root / "data" / "interfacetext.chump");
    }

    // The batch file of `lines` echo lines, written on first use.
    fs::path Batch(int lines) const
    {
        fs::path batch = root / ("echo-" + std::to_string(lines) + ".txt");
        if (!fs::exists(batch)) {
            std::ofstream out(batch);
            for (int i = 0; i < lines; ++i)
                out << "echo line " << i << " \"of the batch\"\n";
        }
        return batch;
    }
    ~Installation() { fs::remove_all(root); }
};

Installation& TheInstallation()
{
    static Installation installation;
    return installation;
}

// Runs the program to completion with stdout and stderr sent to /dev/null; returns its status.
int RunProgram(const Installation& inst, const std::vector<std::string>& args)
{
    std::vector<std::string> words = {inst.program.string()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BM_VersionProcess(benchmark::State& state)
{
    const Installation& inst = TheInstallation();
    for (auto _ : state) {
        if (RunProgram(inst, {"version"}) != 0) {
            state.SkipWithError("VelmarUtil version did not end with status 0");
            break;
        }
    }
}
BENCHMARK(BM_VersionProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(15)->ReportAggregatesOnly(true);

void BM_BatchOfEchoLines(benchmark::State& state)
{
    const Installation& inst = TheInstallation();
    const int lines = int(state.range(0));
    std::string arg = "@" + inst.Batch(lines).string();
    for (auto _ : state) {
        if (RunProgram(inst, {arg}) != 0) {
            state.SkipWithError("the batch did not end with status 0");
            break;
        }
    }
    // Seconds per batch line (the process start is included, spread over the lines; the difference
    // between the two sizes gives the cost of a line alone).
    state.counters["per_line"] = benchmark::Counter(double(state.iterations()) * lines,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BatchOfEchoLines)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
