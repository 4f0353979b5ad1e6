// Atomic reference counting for shared soup objects, and the counted reference that holds them.
#pragma once

#include <atomic>
#include <cstddef>
#include <utility>

// Base of every object that is shared through counted references (soup nodes, raw values, files).
// The count is changed atomically, so references may be released from any thread; the object
// deletes itself when the last reference goes.
class ReferenceCountMP {
public:
    ReferenceCountMP() = default;
    // A copy is a new object: it starts without references.
    ReferenceCountMP(const ReferenceCountMP&) noexcept {}
    ReferenceCountMP& operator=(const ReferenceCountMP&) noexcept { return *this; }
    virtual ~ReferenceCountMP() = default;

    void AddReference() const noexcept { m_refs.fetch_add(1, std::memory_order_relaxed); }
    // Drops one reference; returns true when that was the last one and the object died.
    bool ReleaseReference() const noexcept
    {
        if (m_refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            delete this;
            return true;
        }
        return false;
    }
    long GetReferenceCount() const noexcept { return m_refs.load(std::memory_order_relaxed); }

private:
    mutable std::atomic<long> m_refs{0};
};

// Intrusive counted reference to a ReferenceCountMP-derived object; may be empty.
template <class T>
class CountedRef {
public:
    CountedRef() noexcept = default;
    CountedRef(std::nullptr_t) noexcept {}
    CountedRef(T* object) noexcept : m_ptr(object)
    {
        if (m_ptr) m_ptr->AddReference();
    }
    CountedRef(const CountedRef& other) noexcept : CountedRef(other.m_ptr) {}
    CountedRef(CountedRef&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    template <class U>
    CountedRef(const CountedRef<U>& other) noexcept : CountedRef(static_cast<T*>(other.Get()))
    {
    }
    ~CountedRef()
    {
        if (m_ptr) m_ptr->ReleaseReference();
    }
    CountedRef& operator=(const CountedRef& other) noexcept
    {
        CountedRef(other).Swap(*this);
        return *this;
    }
    CountedRef& operator=(CountedRef&& other) noexcept
    {
        CountedRef(std::move(other)).Swap(*this);
        return *this;
    }
    void Swap(CountedRef& other) noexcept { std::swap(m_ptr, other.m_ptr); }
    void Reset() noexcept { CountedRef().Swap(*this); }

    T* Get() const noexcept { return m_ptr; }
    T* operator->() const noexcept { return m_ptr; }
    T& operator*() const noexcept { return *m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }
    friend bool operator==(const CountedRef& a, const CountedRef& b) noexcept { return a.m_ptr == b.m_ptr; }

private:
    T* m_ptr = nullptr;
};
