// In-memory containers: ordered entries with a name index for large containers.
#include "soup/TDBContainerTag.h"

#include <algorithm>

#include "soup/TDBDataTag.h"

TDBContainerTag::~TDBContainerTag()
{
    // Release children last first so that long sibling lists unwind without surprises.
    while (!m_entries.empty()) m_entries.pop_back();
}

uint32_t TDBContainerTag::FirstNamed(const Nox::PString& name) const
{
    if (m_indexed) {
        auto it = m_index.find(name.Identity());
        return it == m_index.end() ? kNone : it->second.head;
    }
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].child && m_entries[i].name == name) return uint32_t(i);
    return kNone;
}

ChunkRef TDBContainerTag::GetChild(const Nox::PString& name) const
{
    uint32_t pos = FirstNamed(name);
    if (pos == kNone) return NullRef();
    m_lastFound.store(pos, std::memory_order_relaxed);
    return m_entries[pos].child;
}

ChunkRef TDBContainerTag::FindChild(const Nox::PString& name) const { return GetChild(name); }

size_t TDBContainerTag::GetChildCount() const { return m_entries.size() - m_gaps; }

void TDBContainerTag::CompactIfNeeded() const
{
    if (m_gaps) const_cast<TDBContainerTag*>(this)->Compact();
}

const TDBContainerTag::Entry* TDBContainerTag::LiveEntry(size_t index) const
{
    CompactIfNeeded();
    return index < m_entries.size() ? &m_entries[index] : nullptr;
}

Nox::PString TDBContainerTag::GetChildName(size_t index) const
{
    const Entry* e = LiveEntry(index);
    return e ? e->name : Nox::PString();
}

ChunkRef TDBContainerTag::GetChildAt(size_t index) const
{
    const Entry* e = LiveEntry(index);
    return e ? e->child : NullRef();
}

bool TDBContainerTag::IsChildUnnamed(size_t index) const
{
    const Entry* e = LiveEntry(index);
    return e && e->unnamed;
}

void TDBContainerTag::BuildIndex()
{
    m_index.clear();
    m_index.reserve(m_entries.size() * 2);
    for (uint32_t i = 0; i < m_entries.size(); ++i) {
        Entry& e = m_entries[i];
        e.prevSame = e.nextSame = kNone;
        if (!e.child) continue;
        auto [it, fresh] = m_index.try_emplace(e.name.Identity(), Chain{i, i});
        if (!fresh) {
            m_entries[it->second.tail].nextSame = i;
            e.prevSame = it->second.tail;
            it->second.tail = i;
        }
    }
    m_indexed = true;
}

void TDBContainerTag::Append(const Nox::PString& name, ChunkRef chunk, bool unnamed)
{
    if (!chunk) return;
    if (m_gaps && m_gaps * 4 > m_entries.size()) Compact();
    if (m_entries.capacity() == 0) m_entries.reserve(8);
    uint32_t pos = uint32_t(m_entries.size());
    m_entries.push_back(Entry{name, std::move(chunk), kNone, kNone, unnamed});
    if (m_indexed) {
        auto [it, fresh] = m_index.try_emplace(name.Identity(), Chain{pos, pos});
        if (!fresh) {
            m_entries[it->second.tail].nextSame = pos;
            m_entries[pos].prevSame = it->second.tail;
            it->second.tail = pos;
        }
    } else if (m_entries.size() > kIndexFrom) {
        BuildIndex();
    }
}

void TDBContainerTag::RemoveAt(uint32_t pos)
{
    m_lastFound.store(kNone, std::memory_order_relaxed);
    if (!m_indexed) {
        m_entries.erase(m_entries.begin() + pos);
        return;
    }
    Entry& e = m_entries[pos];
    auto it = m_index.find(e.name.Identity());
    if (e.prevSame != kNone) m_entries[e.prevSame].nextSame = e.nextSame;
    else if (e.nextSame != kNone) it->second.head = e.nextSame;
    if (e.nextSame != kNone) m_entries[e.nextSame].prevSame = e.prevSame;
    else if (e.prevSame != kNone) it->second.tail = e.prevSame;
    if (e.prevSame == kNone && e.nextSame == kNone) m_index.erase(it);
    ChunkRef dying = std::move(e.child);  // released after the entry is consistent
    e.child.Reset();
    e.name = Nox::PString();
    e.prevSame = e.nextSame = kNone;
    ++m_gaps;
}

void TDBContainerTag::Compact()
{
    if (!m_gaps) return;
    std::erase_if(m_entries, [](const Entry& e) { return !e.child; });
    m_gaps = 0;
    m_lastFound.store(kNone, std::memory_order_relaxed);
    if (m_indexed) BuildIndex();
}

void TDBContainerTag::AddChild(const Nox::PString& name, const ChunkRef& chunk) { Append(name, chunk, false); }

void TDBContainerTag::AddUnnamedChild(const ChunkRef& chunk) { Append(Nox::PString(), chunk, true); }

void TDBContainerTag::RemoveChild(const ACSChunk* chunk)
{
    if (!chunk) return;
    uint32_t hint = m_lastFound.load(std::memory_order_relaxed);
    if (hint < m_entries.size() && m_entries[hint].child.Get() == chunk) {
        RemoveAt(hint);
        return;
    }
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].child.Get() == chunk) {
            RemoveAt(uint32_t(i));
            return;
        }
    }
}

void TDBContainerTag::ReplaceChild(const Nox::PString& name, const ChunkRef& chunk)
{
    uint32_t pos = FirstNamed(name);
    if (pos != kNone) RemoveAt(pos);
    Append(name, chunk, false);
}

void TDBContainerTag::ReplaceChild(const Nox::PString& name, ChunkRef&& chunk)
{
    uint32_t pos = FirstNamed(name);
    if (pos != kNone) RemoveAt(pos);
    Append(name, std::move(chunk), false);
}

void TDBContainerTag::SortChildren()
{
    Compact();
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry& a, const Entry& b) { return a.name.view() < b.name.view(); });
    m_lastFound.store(kNone, std::memory_order_relaxed);
    if (m_indexed) BuildIndex();
}

void TDBContainerTag::SwapChildren(const ACSChunk* first, const ACSChunk* second)
{
    if (!first || !second || first == second) return;
    Entry* a = nullptr;
    Entry* b = nullptr;
    for (Entry& e : m_entries) {
        if (!a && e.child.Get() == first) a = &e;
        else if (!b && e.child.Get() == second) b = &e;
    }
    if (a && b) a->child.Swap(b->child);
}

ChunkRef TDBContainerTag::CreateChunk(ChunkKind kind, const RawValue& value) const
{
    return CreateMemoryChunk(kind, value);
}
