// Fuzz target: the chunked soup reader, its views and overlay, and write-read stability.
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

// Visits every tag through the public interface and returns a dump of names, kinds and values.
void Walk(const ACSChunk& chunk, std::string& dump)
{
    SoupRef soup(ChunkRef(const_cast<ACSChunk*>(&chunk)));
    size_t count = chunk.GetChildCount();
    for (size_t i = 0; i < count; ++i) {
        Nox::PString name = chunk.GetChildName(i);
        ChunkRef child = chunk.GetChildAt(i);
        dump += chunk.IsChildUnnamed(i) ? "?" : name.str();
        dump += char('0' + int(child->GetKind()));
        (void)soup.GetInt(name, 0);
        (void)soup.GetFloat(name, 0);
        (void)soup.GetString(name);
        (void)soup.GetKUID(name);
        if (child->GetKind() == ChunkKind::Container) {
            dump += '{';
            Walk(*child, dump);
            dump += '}';
        } else {
            dump.append(reinterpret_cast<const char*>(child->GetData()), child->GetDataSize());
            dump += ';';
        }
    }
    Check(chunk.GetChildAt(count)->IsNullChunk());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Every input brings new names; free the interned ones so memory stays flat over a long run.
    struct Collect {
        ~Collect() { Nox::PString::CollectGarbage(); }
    } collect;
    ChunkRef root = ReadChunkedSoup(std::span<const uint8_t>(data, size));
    if (root->IsNullChunk()) return 0;

    std::string dump;
    Walk(*root, dump);
    std::vector<uint8_t> written = WriteChunkedSoup(*root);
    ChunkRef again = ReadChunkedSoup(written);
    if (root->GetChildCount() == 0) {
        Check(again->IsNullChunk());  // an empty soup has no body
    } else {
        Check(!again->IsNullChunk());
        std::string dumpAgain;
        Walk(*again, dumpAgain);
        Check(dump == dumpAgain);
        Check(WriteChunkedSoup(*again) == written);
    }
    SoupRef soup(root);
    std::string text = WriteTextSoup(soup);

    // Edits through the overlay: replacing and removing keep the count consistent.
    size_t count = root->GetChildCount();
    if (count) {
        Nox::PString first = root->GetChildName(0);
        soup.SetInt(first, 7);
        Check(root->GetChildCount() == count);
        root->RemoveChild(root->GetChildAt(count - 1).Get());
        Check(root->GetChildCount() == count - 1);
        (void)WriteChunkedSoup(*root);
    }
    return 0;
}
