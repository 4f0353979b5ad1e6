// TDBDataTag: an in-memory tag holding a kind and a value, without children.
#pragma once

#include "soup/ACSChunk.h"

class TDBDataTag : public ACSChunk {
public:
    TDBDataTag(ChunkKind kind, RawValue value) : m_kind(kind), m_value(std::move(value)) {}

    const uint8_t* GetData() const override { return m_value ? m_value->Data() : nullptr; }
    size_t GetDataSize() const override { return m_value ? m_value->Size() : 0; }
    ChunkKind GetKind() const override { return m_kind; }
    void SetData(ChunkKind kind, const RawValue& value) override
    {
        m_kind = kind;
        m_value = value;
    }
    RawValue GetValue() const override { return m_value; }

private:
    ChunkKind m_kind;
    RawValue m_value;
};
