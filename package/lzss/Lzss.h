// LZSS block codec: the compressor and the decoder of package payloads and scrambled scripts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Stream layout (all multi-byte values little-endian):
//
//   byte 0        bits 0-3 level (0 = stored), bits 4-5 window mode, bits 6-7 ignored
//   bytes 1..     level 0: the data itself
//                 mode 0 (window 256):            encoding A, flag words + byte distances
//                 mode 1/2 (4096/16384), level<=6: encoding B, flag words + packed match words
//                 mode 1/2, level >= 7:           encoding C, adaptive Huffman bit stream
//                 mode 3: invalid
//
// The encodings are documented beside their reader and writer (LzssFlagCodec.cpp,
// LzssHuffmanCodec.cpp).

// Compresses size bytes of input at the given level (0 to 9; larger counts as 9)
// into out, which holds capacity bytes. The output never exceeds capacity.
// When the compressed stream would not fit, the stored form (one header byte 0
// followed by the input, size + 1 bytes) is written instead; a capacity of at
// least size + 1 therefore always succeeds.
// Returns the number of bytes written, or 0 when not even the stored form fits.
size_t LzssCompressBlock(uint8_t* out, size_t capacity, const uint8_t* in, size_t size, int level);

// Decodes a whole stream of size bytes into out, which holds capacity bytes.
// Never reads past in + size nor writes past out + capacity, whatever the input.
// Returns the number of bytes produced, or nullopt when the stream is damaged
// (bad header, truncated item, distance outside the produced bytes) or its
// output would exceed capacity. A header byte 0 alone decodes to 0 bytes.
// Callers compare the count with the size they expect.
std::optional<size_t> LzssDecompressBlock(uint8_t* out, size_t capacity, const uint8_t* in, size_t size);

// The capacity that always holds the result of LzssCompressBlock.
constexpr size_t LzssCompressBound(size_t size) { return size + 1; }

// Conveniences over the two calls above.
std::vector<uint8_t> LzssCompress(std::span<const uint8_t> data, int level);
// Decodes into a buffer of exactly expectedSize bytes; nullopt unless the
// stream decodes to exactly that many bytes.
std::optional<std::vector<uint8_t>> LzssDecompress(std::span<const uint8_t> stream, size_t expectedSize);
// Decodes a stream whose decoded size is not known in advance, refusing to
// produce more than maxSize bytes; nullopt when damaged or larger.
std::optional<std::vector<uint8_t>> LzssDecompressAll(std::span<const uint8_t> stream, size_t maxSize);
