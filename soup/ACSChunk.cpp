// Base behaviour of soup nodes and the shared null chunk.
#include "soup/ACSChunk.h"

#include "soup/TDBContainerTag.h"
#include "soup/TDBDataTag.h"

ChunkRef ACSChunk::GetChild(const Nox::PString&) const { return NullRef(); }
ChunkRef ACSChunk::FindChild(const Nox::PString& name) const { return GetChild(name); }
size_t ACSChunk::GetChildCount() const { return 0; }
Nox::PString ACSChunk::GetChildName(size_t) const { return {}; }
void ACSChunk::SortChildren() {}
void ACSChunk::SwapChildren(const ACSChunk*, const ACSChunk*) {}
void ACSChunk::AddChild(const Nox::PString&, const ChunkRef&) {}
void ACSChunk::RemoveChild(const ACSChunk*) {}
ChunkRef ACSChunk::CreateChunk(ChunkKind, const RawValue&) const { return {}; }
const uint8_t* ACSChunk::GetData() const { return nullptr; }
size_t ACSChunk::GetDataSize() const { return 0; }
ChunkKind ACSChunk::GetKind() const { return ChunkKind::Null; }
void ACSChunk::SetData(ChunkKind, const RawValue&) {}
ChunkRef ACSChunk::GetChildAt(size_t) const { return NullRef(); }
bool ACSChunk::IsChildUnnamed(size_t) const { return false; }
void ACSChunk::AddUnnamedChild(const ChunkRef& chunk) { AddChild(Nox::PString(), chunk); }
RawValue ACSChunk::GetValue() const { return {}; }

void ACSChunk::ReplaceChild(const Nox::PString& name, const ChunkRef& chunk)
{
    ChunkRef old = FindChild(name);
    if (!old->IsNullChunk()) RemoveChild(old.Get());
    AddChild(name, chunk);
}

ACSChunk& ACSChunk::Null() noexcept
{
    // Holds one reference forever, so the count never reaches zero.
    static ACSChunk* const s_null = [] {
        auto* chunk = new ACSChunk();
        chunk->AddReference();
        return chunk;
    }();
    return *s_null;
}

// Shared by the container kinds that make in-memory tags.
ChunkRef CreateMemoryChunk(ChunkKind kind, const RawValue& value)
{
    if (kind == ChunkKind::Container) return ChunkRef(new TDBContainerTag());
    return ChunkRef(new TDBDataTag(kind, value));
}
