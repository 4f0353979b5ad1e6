// Fuzz target: the text soup reader and writer, and exact chunked round trips of what it reads.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "engine/PString.h"
#include "soup/ChunkedSoup.h"
#include "soup/SoupRef.h"
#include "soup/TextSoup.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

void Dump(const ACSChunk& chunk, std::string& out, bool& longName)
{
    for (size_t i = 0; i < chunk.GetChildCount(); ++i) {
        Nox::PString name = chunk.GetChildName(i);
        longName |= name.size() > 254;
        ChunkRef child = chunk.GetChildAt(i);
        out += name.str();
        out += char('0' + int(child->GetKind()));
        if (child->GetKind() == ChunkKind::Container) {
            out += '{';
            Dump(*child, out, longName);
            out += '}';
        } else {
            out.append(reinterpret_cast<const char*>(child->GetData()), child->GetDataSize());
            out += ';';
        }
    }
}

// The text form cannot carry every name: an empty name loses its place, and a name starting with
// '{' after a tag without value reads back as that tag's opening brace.
bool NamesFitTheTextForm(const ACSChunk& chunk)
{
    for (size_t i = 0; i < chunk.GetChildCount(); ++i) {
        std::string_view name = chunk.GetChildName(i).view();
        if (name.empty() || name[0] == '{') return false;
        ChunkRef child = chunk.GetChildAt(i);
        if (child->GetKind() == ChunkKind::Container && !NamesFitTheTextForm(*child)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Every input brings new names; free the interned ones so memory stays flat over a long run.
    struct Collect {
        ~Collect() { Nox::PString::CollectGarbage(); }
    } collect;
    SoupRef soup;
    ReadTextSoup(soup, std::span<const uint8_t>(data, size));
    Check(bool(soup));

    // The chunked form keeps every kind and byte (names above 254 bytes are not written).
    std::string dump;
    bool longName = false;
    Dump(*soup.Get(), dump, longName);
    std::vector<uint8_t> chunked = WriteChunkedSoup(*soup.Get());
    ChunkRef root = ReadChunkedSoup(chunked);
    if (!longName) {
        std::string dumpAgain;
        if (!root->IsNullChunk()) Dump(*root, dumpAgain, longName);
        Check(dump == dumpAgain);
    }

    // Writing as text settles names and kinds in one pass; after that the text is stable.
    std::string text1 = WriteTextSoup(soup);
    SoupRef once;
    ReadTextSoup(once, text1);
    std::string text2 = WriteTextSoup(once);
    SoupRef twice;
    ReadTextSoup(twice, text2);
    if (NamesFitTheTextForm(*once.Get())) Check(WriteTextSoup(twice) == text2);
    return 0;
}
