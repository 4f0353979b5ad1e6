// Fuzz target: the LZSS decoder on arbitrary streams, and compress/decompress round trips of arbitrary data.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "package/lzss/Lzss.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // 1. The input as a stream: decoding must stay inside both buffers. The
    //    capacity comes from the input so that short outputs are tried too.
    const size_t capacity = size ? (size_t(data[size - 1]) << 8 | (size > 1 ? data[size - 2] : 0)) : 0;
    std::vector<uint8_t> out(capacity);
    const auto produced = LzssDecompressBlock(out.data(), out.size(), data, size);
    if (produced && *produced > capacity) std::abort();

    // 2. The input as data: every level must give it back exactly, within the stored bound.
    if (size == 0) return 0;
    const int level = data[0] % 10;
    const std::vector<uint8_t> stream = LzssCompress({data, size}, level);
    if (stream.empty() || stream.size() > size + 1) std::abort();
    const auto back = LzssDecompress(stream, size);
    if (!back || back->size() != size || std::memcmp(back->data(), data, size) != 0) std::abort();
    return 0;
}
