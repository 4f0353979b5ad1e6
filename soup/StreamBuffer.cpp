// TBuffer: the buffered stream over a growing memory buffer (or a read-only view).
#include "soup/Stream.h"

#include <cstring>

TBuffer::TBuffer() = default;

TBuffer::TBuffer(std::vector<uint8_t> data) : own_(std::move(data)) {}

TBuffer::TBuffer(std::vector<uint8_t>* external) : bytes_(external) {}

TBuffer::TBuffer(std::span<const uint8_t> view) : view_(view), readOnly_(true) {}

std::span<const uint8_t> TBuffer::Data() const noexcept
{
    if (readOnly_) return view_;
    return {bytes_->data(), bytes_->size()};
}

std::vector<uint8_t> TBuffer::Take()
{
    Seek(0, kBegin);
    cursor_ = 0;
    if (readOnly_) return {};
    std::vector<uint8_t> out = std::move(*bytes_);
    bytes_->clear();
    return out;
}

bool TBuffer::RawAtEnd()
{
    return cursor_ >= Size();
}

size_t TBuffer::RawWrite(const void* data, size_t count)
{
    if (readOnly_) return 0;
    std::vector<uint8_t>& bytes = *bytes_;
    if (cursor_ + count > bytes.size()) bytes.resize(cursor_ + count);
    std::memcpy(bytes.data() + cursor_, data, count);
    cursor_ += count;
    return count;
}

size_t TBuffer::RawRead(void* data, size_t count)
{
    const std::span<const uint8_t> bytes = Data();
    const size_t left = cursor_ < bytes.size() ? bytes.size() - cursor_ : 0;
    const size_t take = count < left ? count : left;
    if (take) std::memcpy(data, bytes.data() + cursor_, take);
    cursor_ += take;
    return take;
}

bool TBuffer::RawSeek(int64_t offset, int origin)
{
    const int64_t size = int64_t(Size());
    int64_t base = 0;
    if (origin == kCurrent) base = int64_t(cursor_);
    else if (origin == kEnd) base = size;
    int64_t target = base + offset;
    if (target < 0) target = 0;
    if (target > size) target = size;
    cursor_ = size_t(target);
    return true;
}

int64_t TBuffer::RawTell()
{
    return int64_t(cursor_);
}
