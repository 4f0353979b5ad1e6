// The bytes of one soup value: owned, or borrowed from a loaded file body that is kept alive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "soup/ReferenceCountMP.h"

class ACSRawDataCore;
// A counted value; an empty reference means "no value".
using RawValue = CountedRef<ACSRawDataCore>;

class ACSRawDataCore : public ReferenceCountMP {
public:
    // A new owned value of `size` bytes (uninitialised; fill through MutableData) in one allocation.
    static RawValue Create(size_t size);
    static RawValue Copy(const void* data, size_t size);
    static RawValue Copy(std::span<const uint8_t> bytes) { return Copy(bytes.data(), bytes.size()); }
    // A string value: the text's bytes plus a NUL.
    static RawValue FromText(std::string_view text);
    // A value that points at bytes owned by `keepAlive` (for example a loaded file body).
    static RawValue Borrow(const void* data, size_t size, CountedRef<ReferenceCountMP> keepAlive);

    const uint8_t* Data() const noexcept { return m_data; }
    size_t Size() const noexcept { return m_size; }
    std::span<const uint8_t> Bytes() const noexcept { return {m_data, m_size}; }
    bool IsOwned() const noexcept { return m_owned; }
    // Only for values made by Create.
    uint8_t* MutableData() noexcept { return const_cast<uint8_t*>(m_data); }

    // Owned values live in one block with their bytes; free it as allocated.
    static void operator delete(void* block) { ::operator delete(block); }

private:
    ACSRawDataCore(const uint8_t* data, size_t size, bool owned) : m_data(data), m_size(size), m_owned(owned) {}

    const uint8_t* m_data;
    size_t m_size;
    bool m_owned;
    CountedRef<ReferenceCountMP> m_keepAlive;
};
