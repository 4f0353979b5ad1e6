// TDBContainerTag: an in-memory container of ordered, named children (names may repeat).
#pragma once

#include <atomic>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "soup/ACSChunk.h"

class TDBContainerTag : public ACSChunk {
public:
    TDBContainerTag() = default;
    ~TDBContainerTag() override;

    ChunkRef GetChild(const Nox::PString& name) const override;
    ChunkRef FindChild(const Nox::PString& name) const override;
    size_t GetChildCount() const override;
    Nox::PString GetChildName(size_t index) const override;
    // Byte-wise unsigned order of names; the order of equal names is not kept.
    void SortChildren() override;
    // Exchanges the children of the two entries; each name stays at its position.
    void SwapChildren(const ACSChunk* first, const ACSChunk* second) override;
    void AddChild(const Nox::PString& name, const ChunkRef& chunk) override;
    void RemoveChild(const ACSChunk* chunk) override;
    ChunkRef CreateChunk(ChunkKind kind, const RawValue& value) const override;
    ChunkKind GetKind() const override { return ChunkKind::Container; }
    ChunkRef GetChildAt(size_t index) const override;
    bool IsChildUnnamed(size_t index) const override;
    void AddUnnamedChild(const ChunkRef& chunk) override;

    // Removes the first child called `name` and appends `chunk` under that name: what every
    // setter does. Costs no search through the children in large containers.
    void ReplaceChild(const Nox::PString& name, const ChunkRef& chunk) override;
    // ReplaceChild taking over the caller's reference.
    void ReplaceChild(const Nox::PString& name, ChunkRef&& chunk);
    void Reserve(size_t count) { m_entries.reserve(count); }
    // Closes the gaps that removals leave in large containers.
    void Compact();

private:
    static constexpr uint32_t kNone = UINT32_MAX;
    // Containers above this size keep a name index; smaller ones are scanned.
    static constexpr size_t kIndexFrom = 16;

    struct Entry {
        Nox::PString name;
        ChunkRef child;  // empty for a gap left by a removal
        uint32_t prevSame = kNone;
        uint32_t nextSame = kNone;
        bool unnamed = false;
    };
    struct Chain {
        uint32_t head;
        uint32_t tail;
    };

    void Append(const Nox::PString& name, ChunkRef chunk, bool unnamed);
    uint32_t FirstNamed(const Nox::PString& name) const;
    void RemoveAt(uint32_t position);
    void BuildIndex();
    void CompactIfNeeded() const;
    const Entry* LiveEntry(size_t index) const;

    std::vector<Entry> m_entries;
    size_t m_gaps = 0;
    bool m_indexed = false;
    std::unordered_map<const void*, Chain> m_index;
    // Position found by the last name lookup; RemoveChild checks it first.
    mutable std::atomic<uint32_t> m_lastFound{kNone};
};

// A new in-memory tag: an empty TDBContainerTag for kind Container, else a TDBDataTag.
ChunkRef CreateMemoryChunk(ChunkKind kind, const RawValue& value);
