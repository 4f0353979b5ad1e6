// Runs a fuzz target over every file of the corpus folders given on the
// command line, so the committed corpus is replayed on every test run.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path root(argv[i]);
        if (!std::filesystem::exists(root)) {
            std::fprintf(stderr, "replay: no corpus at %s\n", argv[i]);
            return 1;
        }
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(root)) {
            for (auto& e : std::filesystem::recursive_directory_iterator(root))
                if (e.is_regular_file()) files.push_back(e.path());
        } else {
            files.push_back(root);
        }
        for (auto& f : files) {
            std::ifstream in(f, std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++count;
        }
    }
    std::printf("replayed %zu inputs\n", count);
    return count ? 0 : 1;
}
