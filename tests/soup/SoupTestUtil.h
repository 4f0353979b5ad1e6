// Helpers shared by the soup tests: tree dumps for comparisons and byte conversions.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "soup/ACSChunk.h"
#include "soup/SoupRef.h"

inline std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

inline std::string Hex(const uint8_t* data, size_t size)
{
    std::string out;
    char b[4];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(b, sizeof b, "%02X", data[i]);
        out += b;
    }
    return out;
}

// One line per tag: indentation, name (or "<unnamed>"), kind number and value bytes in hex.
inline void DumpChunk(const ACSChunk& chunk, int depth, std::string& out)
{
    for (size_t i = 0; i < chunk.GetChildCount(); ++i) {
        ChunkRef child = chunk.GetChildAt(i);
        out.append(size_t(depth) * 2, ' ');
        out += chunk.IsChildUnnamed(i) ? std::string("<unnamed>") : chunk.GetChildName(i).str();
        out += " " + std::to_string(int(child->GetKind()));
        if (child->GetKind() == ChunkKind::Container) {
            out += "\n";
            DumpChunk(*child, depth + 1, out);
        } else {
            out += " " + Hex(child->GetData(), child->GetDataSize()) + "\n";
        }
    }
}

inline std::string Dump(const SoupRef& soup)
{
    std::string out;
    if (soup) DumpChunk(*soup.Get(), 0, out);
    return out;
}
