// Flag-word reading and writing shared by encodings A and B.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/lzss/LzssInternal.h"

namespace lzss {

// Flag bits are taken from bit 0 of a 32-bit little-endian word upwards. As
// soon as the 32nd bit has been used, the next word follows at the current
// byte position, before any further byte of the item being coded; a stream
// may therefore end with a word whose bits are all unused.
class FlagReader {
 public:
    FlagReader(const uint8_t* in, size_t size) : p_(in), end_(in + size) {}

    // Loads the first flag word; false when fewer than four bytes are left.
    bool Start() { return LoadWord(); }
    bool AtEnd() const { return p_ == end_; }
    // Next flag bit; false when a due flag word is cut short.
    bool Bit(unsigned& bit)
    {
        bit = flags_ & 1u;
        flags_ >>= 1;
        if (++used_ == 32) return LoadWord();
        return true;
    }
    bool Byte(uint8_t& value)
    {
        if (p_ == end_) return false;
        value = *p_++;
        return true;
    }
    // Pointer to count bytes that follow, or nullptr when fewer are left.
    const uint8_t* Bytes(size_t count)
    {
        if (size_t(end_ - p_) < count) return nullptr;
        const uint8_t* at = p_;
        p_ += count;
        return at;
    }

 private:
    bool LoadWord()
    {
        if (end_ - p_ < 4) return false;
        flags_ = uint32_t(p_[0]) | uint32_t(p_[1]) << 8 | uint32_t(p_[2]) << 16 | uint32_t(p_[3]) << 24;
        p_ += 4;
        used_ = 0;
        return true;
    }

    const uint8_t* p_;
    const uint8_t* end_;
    uint32_t flags_ = 0;
    unsigned used_ = 0;
};

class FlagWriter {
 public:
    explicit FlagWriter(EncodeOutput& out) : out_(out) { out_.Reserve(4, wordAt_); }

    void Bit(unsigned bit)
    {
        flags_ |= uint32_t(bit) << used_;
        if (++used_ == 32) {
            out_.PutU32At(wordAt_, flags_);
            flags_ = 0;
            used_ = 0;
            out_.Reserve(4, wordAt_);
        }
    }
    void Byte(uint8_t value) { out_.Put(value); }
    void Bytes(const uint8_t* data, size_t count) { out_.Put(data, count); }
    // Writes the last, partly used (possibly unused) flag word.
    void Finish() { out_.PutU32At(wordAt_, flags_); }
    bool Overflow() const { return out_.overflow; }

 private:
    EncodeOutput& out_;
    size_t wordAt_ = 0;
    uint32_t flags_ = 0;
    unsigned used_ = 0;
};

}  // namespace lzss
