// Fuzz target for the asset index reader: never crash or hang; reading the records with one thread
// and with two gives the same result; what it accepts writes back stably.
#include "assetdb/AssetIndexFile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    VLXIndexReadContext context;  // fixed: no clock, no randomness, so a round trip is repeatable
    context.machine = {1, 2, 3, 4};

    std::vector<uint8_t> image(data, data + size);
    VLXAssetIndex index;
    const VLXIndexReadResult result = VLXReadIndex(image, index, context);

    // Two threads from the second record on: same verdict, same reason, same index.
    VLXIndexReadContext twoThreads = context;
    twoThreads.twoThreadRecords = 2;
    std::vector<uint8_t> image2(data, data + size);
    VLXAssetIndex index2;
    const VLXIndexReadResult result2 = VLXReadIndex(image2, index2, twoThreads);
    if (result.ok != result2.ok || result.arraySorted != result2.arraySorted)
        std::abort();
    if ((result.reason == nullptr) != (result2.reason == nullptr) ||
        (result.reason && std::strcmp(result.reason, result2.reason) != 0))
        std::abort();
    if (!result.ok)
        return 0;
    if (VLXWriteIndex(index2, 7) != VLXWriteIndex(index, 7))
        std::abort();

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
