// ACSChunk: the node interface shared by every soup tag, in memory or read from a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/PString.h"
#include "soup/ACSRawDataCore.h"
#include "soup/ChunkKind.h"
#include "soup/ReferenceCountMP.h"

class ACSChunk;
using ChunkRef = CountedRef<ACSChunk>;

// The base class behaves as a node without children and without data. One shared instance of it,
// the null chunk, stands for "no such tag": every failed lookup returns it.
class ACSChunk : public ReferenceCountMP {
public:
    ~ACSChunk() override = default;

    // The first child with that name (exact, case-sensitive), else the null chunk.
    virtual ChunkRef GetChild(const Nox::PString& name) const;
    // Same result as GetChild.
    virtual ChunkRef FindChild(const Nox::PString& name) const;
    virtual size_t GetChildCount() const;
    // The name of child `index`; the empty string when out of range.
    virtual Nox::PString GetChildName(size_t index) const;
    // Orders the children by name, comparing bytes as unsigned values.
    virtual void SortChildren();
    // Exchanges the positions of two children given by identity.
    virtual void SwapChildren(const ACSChunk* first, const ACSChunk* second);
    virtual void AddChild(const Nox::PString& name, const ChunkRef& chunk);
    // Removes a child given by identity.
    virtual void RemoveChild(const ACSChunk* chunk);
    // A new in-memory container (kind Container) or data tag of that kind and value.
    virtual ChunkRef CreateChunk(ChunkKind kind, const RawValue& value) const;
    virtual const uint8_t* GetData() const;
    virtual size_t GetDataSize() const;
    virtual ChunkKind GetKind() const;
    virtual void SetData(ChunkKind kind, const RawValue& value);

    // Child `index` itself (names may repeat, so a lookup by name cannot reach every child);
    // the null chunk when out of range.
    virtual ChunkRef GetChildAt(size_t index) const;
    // True for a child stored without any name (distinct from an empty name).
    virtual bool IsChildUnnamed(size_t index) const;
    // Appends a child that has no name at all.
    virtual void AddUnnamedChild(const ChunkRef& chunk);
    // Removes the first child called `name` (FindChild, RemoveChild) and appends `chunk` under it.
    virtual void ReplaceChild(const Nox::PString& name, const ChunkRef& chunk);
    // The counted value; empty when the tag has none.
    virtual RawValue GetValue() const;
    // True when both refer to the same tag. Views of a loaded file are fresh objects on every
    // lookup, so they compare by record position rather than by object identity.
    virtual bool IsSameTag(const ACSChunk* other) const { return this == other; }

    std::span<const uint8_t> GetBytes() const { return {GetData(), GetDataSize()}; }
    bool IsNullChunk() const noexcept { return this == &Null(); }

    // The shared null chunk; it is never freed.
    static ACSChunk& Null() noexcept;
    static ChunkRef NullRef() noexcept { return ChunkRef(&Null()); }
};

// Deepest nesting of containers the readers accept. Deeper input is cut off, so that no recursive
// walk over a soup (writing, copying, releasing) can exhaust the stack.
inline constexpr int kMaxSoupDepth = 256;
