// Allocation of soup values.
#include "soup/ACSRawDataCore.h"

#include <cstring>
#include <new>

RawValue ACSRawDataCore::Create(size_t size)
{
    void* block = ::operator new(sizeof(ACSRawDataCore) + size);
    auto* bytes = static_cast<uint8_t*>(block) + sizeof(ACSRawDataCore);
    return RawValue(new (block) ACSRawDataCore(bytes, size, true));
}

RawValue ACSRawDataCore::Copy(const void* data, size_t size)
{
    RawValue value = Create(size);
    if (size) std::memcpy(value->MutableData(), data, size);
    return value;
}

RawValue ACSRawDataCore::FromText(std::string_view text)
{
    RawValue value = Create(text.size() + 1);
    if (!text.empty()) std::memcpy(value->MutableData(), text.data(), text.size());
    value->MutableData()[text.size()] = 0;
    return value;
}

RawValue ACSRawDataCore::Borrow(const void* data, size_t size, CountedRef<ReferenceCountMP> keepAlive)
{
    void* block = ::operator new(sizeof(ACSRawDataCore));
    auto* value = new (block) ACSRawDataCore(static_cast<const uint8_t*>(data), size, false);
    value->m_keepAlive = std::move(keepAlive);
    return RawValue(value);
}
