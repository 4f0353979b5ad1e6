// The text soup format: a lenient line-oriented reader and the canonical writer.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "soup/SoupRef.h"

class TStream;

// Reads the text form into `soup` (cleared first). Never fails: whatever cannot be classified
// becomes a string, a null tag or a shorter value, and open containers close at the end.
void ReadTextSoup(SoupRef& soup, std::span<const uint8_t> bytes);
inline void ReadTextSoup(SoupRef& soup, std::string_view text)
{
    ReadTextSoup(soup, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}
// Reads the rest of the stream as a text soup.
void ReadTextSoup(SoupRef& soup, TStream& stream);
// Appends the text form of `root`'s children (byte-order mark, CR LF lines) to `out`.
void WriteTextSoup(const ACSChunk& root, std::string& out);
std::string WriteTextSoup(const SoupRef& soup);
// Writes the text form to a stream; false when the stream took fewer bytes.
bool WriteTextSoup(const SoupRef& soup, TStream& stream);
