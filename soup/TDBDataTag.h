// TDBDataTag: an in-memory tag holding a kind and a value, without children.
#pragma once

#include <span>
#include <string_view>

#include "soup/ACSChunk.h"

class TDBDataTag : public ACSChunk {
public:
    TDBDataTag(ChunkKind kind, RawValue value) : m_kind(kind), m_value(std::move(value)) {}
    // A tag holding a copy of `bytes`; small values live inside the tag itself.
    TDBDataTag(ChunkKind kind, std::span<const uint8_t> bytes);

    // A Text tag holding the text's bytes and a NUL.
    static ChunkRef MakeText(std::string_view text);

    const uint8_t* GetData() const override;
    size_t GetDataSize() const override;
    ChunkKind GetKind() const override { return m_kind; }
    void SetData(ChunkKind kind, const RawValue& value) override;
    RawValue GetValue() const override;

private:
    static constexpr size_t kInlineBytes = 16;

    ChunkKind m_kind;
    bool m_inline = false;
    uint8_t m_inlineSize = 0;
    alignas(8) uint8_t m_bytes[kInlineBytes];
    RawValue m_value;
};
