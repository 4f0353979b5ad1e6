// Writing any soup tree in the chunked binary format (layout table in ChunkedSoup.h).
#include <cstring>

#include "soup/ChunkedSoup.h"
#include "soup/Stream.h"

namespace {

constexpr size_t kMaxNameLength = 254;

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    out.insert(out.end(), b, b + 4);
}

void PatchLength(std::vector<uint8_t>& out, size_t lengthField)
{
    uint32_t v = uint32_t(out.size() - lengthField - 4);
    uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    std::memcpy(&out[lengthField], b, 4);
}

uint8_t TypeCodeOf(ChunkKind kind)
{
    switch (uint8_t(kind)) {
    case uint8_t(ChunkKind::Container): return 0;
    case uint8_t(ChunkKind::Integer): return 1;
    case uint8_t(ChunkKind::Float): return 2;
    case uint8_t(ChunkKind::Text):
    case 5: return 3;
    case uint8_t(ChunkKind::Binary): return 4;
    case uint8_t(ChunkKind::KUID): return 13;
    default: return 5;  // Null, and any unknown kind (its bytes follow)
    }
}

// Writes the children of `container` by index, so that repeated names each keep their own tag.
void WriteChildren(const ACSChunk& container, std::vector<uint8_t>& out)
{
    size_t count = container.GetChildCount();
    for (size_t i = 0; i < count; ++i) {
        Nox::PString name = container.GetChildName(i);
        std::string_view text = name.view();
        if (text.size() > kMaxNameLength) continue;
        ChunkRef child = container.GetChildAt(i);
        size_t lengthField = out.size();
        PutU32(out, 0xFFFFFFFFu);
        if (container.IsChildUnnamed(i)) {
            out.push_back(0);
        } else {
            out.push_back(uint8_t(text.size() + 1));
            out.insert(out.end(), text.begin(), text.end());
            out.push_back(0);
        }
        ChunkKind kind = child->GetKind();
        out.push_back(TypeCodeOf(kind));
        if (kind == ChunkKind::Container) {
            WriteChildren(*child, out);
        } else if (kind != ChunkKind::Null) {
            const uint8_t* data = child->GetData();
            size_t size = child->GetDataSize();
            if (data && size) out.insert(out.end(), data, data + size);
        }
        PatchLength(out, lengthField);
    }
}

}  // namespace

void WriteChunkedSoup(const ACSChunk& root, std::vector<uint8_t>& out)
{
    size_t start = out.size();
    out.insert(out.end(), {'A', 'C', 'S', '$'});
    PutU32(out, 1);
    PutU32(out, 0);
    PutU32(out, 0xFFFFFFFFu);
    WriteChildren(root, out);
    PatchLength(out, start + 12);
}

std::vector<uint8_t> WriteChunkedSoup(const ACSChunk& root)
{
    std::vector<uint8_t> out;
    WriteChunkedSoup(root, out);
    return out;
}

bool WriteChunkedSoup(const ACSChunk& root, TStream& stream)
{
    std::vector<uint8_t> bytes = WriteChunkedSoup(root);
    return stream.Write(bytes.data(), bytes.size()) == bytes.size();
}
