// In-memory data tags, with small values stored in the tag to save an allocation per tag.
#include "soup/TDBDataTag.h"

#include <cstring>

TDBDataTag::TDBDataTag(ChunkKind kind, std::span<const uint8_t> bytes) : m_kind(kind)
{
    if (bytes.size() <= kInlineBytes) {
        m_inline = true;
        m_inlineSize = uint8_t(bytes.size());
        if (!bytes.empty()) std::memcpy(m_bytes, bytes.data(), bytes.size());
    } else {
        m_value = ACSRawDataCore::Copy(bytes);
    }
}

ChunkRef TDBDataTag::MakeText(std::string_view text)
{
    if (text.size() + 1 > kInlineBytes) return ChunkRef(new TDBDataTag(ChunkKind::Text, ACSRawDataCore::FromText(text)));
    auto* tag = new TDBDataTag(ChunkKind::Text, RawValue());
    tag->m_inline = true;
    tag->m_inlineSize = uint8_t(text.size() + 1);
    if (!text.empty()) std::memcpy(tag->m_bytes, text.data(), text.size());
    tag->m_bytes[text.size()] = 0;
    return ChunkRef(tag);
}

const uint8_t* TDBDataTag::GetData() const
{
    if (m_inline) return m_bytes;
    return m_value ? m_value->Data() : nullptr;
}

size_t TDBDataTag::GetDataSize() const
{
    if (m_inline) return m_inlineSize;
    return m_value ? m_value->Size() : 0;
}

void TDBDataTag::SetData(ChunkKind kind, const RawValue& value)
{
    m_kind = kind;
    m_inline = false;
    m_inlineSize = 0;
    m_value = value;
}

RawValue TDBDataTag::GetValue() const
{
    if (m_inline) return ACSRawDataCore::Copy(m_bytes, m_inlineSize);
    return m_value;
}
