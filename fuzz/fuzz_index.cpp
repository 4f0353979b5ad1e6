// Fuzz target for the asset index reader: never crash or hang; what it accepts writes back stably.
#include "assetdb/AssetIndexFile.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    VLXIndexReadContext context;  // fixed: no clock, no randomness, so a round trip is repeatable
    context.machine = {1, 2, 3, 4};

    std::vector<uint8_t> image(data, data + size);
    VLXAssetIndex index;
    if (!VLXReadIndex(image, index, context).ok)
        return 0;

    // An accepted file must write as a version-36 file that reads back and writes identically.
    std::vector<uint8_t> first = VLXWriteIndex(index, 7);
    std::vector<uint8_t> copy = first;
    VLXAssetIndex again;
    if (!VLXReadIndex(copy, again, context).ok)
        std::abort();
    if (VLXWriteIndex(again, 7) != first)
        std::abort();
    return 0;
}
