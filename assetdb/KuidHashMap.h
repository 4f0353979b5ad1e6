// VLXKuidHashMap: a hash table keyed by KUID, stored flat (open addressing, linear probing).
#pragma once

#include "core/KUID.h"

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

// The tables of an index hold up to a few hundred thousand KUIDs and are filled in one go at
// every load. A node-based map costs an allocation per entry and a cache miss per node walked;
// here a look-up reads one or two adjacent slots. The table is at most half full, its size a
// power of two. Pointers returned stay valid until the next insertion or erasure.
template <typename V>
class VLXKuidHashMap {
public:
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear()
    {
        slots_.clear();
        size_ = 0;
    }
    // Makes room for `n` entries without growing on the way.
    void reserve(size_t n)
    {
        if (SlotsFor(n) > slots_.size())
            Rehash(SlotsFor(n));
    }

    V* Find(const KUID& key) { return const_cast<V*>(std::as_const(*this).Find(key)); }
    const V* Find(const KUID& key) const
    {
        if (slots_.empty())
            return nullptr;
        for (size_t i = Home(key);; i = Next(i)) {
            const Slot& slot = slots_[i];
            if (!slot.used)
                return nullptr;
            if (slot.key == key)
                return &slot.value;
        }
    }

    // The value held for `key`, and true when it was added now with `value`.
    std::pair<V*, bool> TryEmplace(const KUID& key, V value)
    {
        if (SlotsFor(size_ + 1) > slots_.size())
            Rehash(SlotsFor(size_ + 1));
        size_t i = Home(key);
        for (; slots_[i].used; i = Next(i))
            if (slots_[i].key == key)
                return {&slots_[i].value, false};
        Slot& slot = slots_[i];
        slot.used = true;
        slot.key = key;
        slot.value = std::move(value);
        ++size_;
        return {&slot.value, true};
    }

    bool Erase(const KUID& key)
    {
        if (slots_.empty())
            return false;
        size_t hole = Home(key);
        for (;; hole = Next(hole)) {
            if (!slots_[hole].used)
                return false;
            if (slots_[hole].key == key)
                break;
        }
        // Later entries of the same run move back into the hole when their home slot allows it,
        // so that no look-up stops early at an emptied slot.
        for (size_t i = Next(hole); slots_[i].used; i = Next(i)) {
            size_t home = Home(slots_[i].key);
            bool homeAfterHole = hole <= i ? (home > hole && home <= i) : (home > hole || home <= i);
            if (homeAfterHole)
                continue;
            slots_[hole] = std::move(slots_[i]);
            hole = i;
        }
        slots_[hole] = Slot();
        --size_;
        return true;
    }

private:
    struct Slot {
        KUID key = KUID::Null;
        bool used = false;
        V value{};
    };

    static size_t SlotsFor(size_t n)
    {
        size_t slots = 16;
        while (slots < n * 2)
            slots *= 2;
        return slots;
    }
    size_t Home(const KUID& key) const { return std::hash<KUID>()(key) & (slots_.size() - 1); }
    size_t Next(size_t i) const { return (i + 1) & (slots_.size() - 1); }

    void Rehash(size_t slotCount)
    {
        std::vector<Slot> old = std::move(slots_);
        slots_ = std::vector<Slot>(slotCount);
        for (Slot& slot : old) {
            if (!slot.used)
                continue;
            size_t i = Home(slot.key);
            while (slots_[i].used)
                i = Next(i);
            slots_[i] = std::move(slot);
        }
    }

    std::vector<Slot> slots_;
    size_t size_ = 0;
};
