// TStream buffering and record primitives shared by every stream.
#include "soup/Stream.h"
#include "soup/LittleEndian.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kMaxStringCount = 0xFFFF;  // interned strings: count with NUL
constexpr uint32_t kMaxTextCount = 0xFFFF;    // plain texts: byte count

}  // namespace

TStream::TStream() : buffer_(new uint8_t[kBufferSize]) {}

TStream::~TStream() = default;

int64_t TStream::Position()
{
    const int64_t inner = RawTell();
    return inner < 0 ? inner : inner - int64_t(available_);
}

int64_t TStream::Length()
{
    const int64_t here = RawTell();
    if (here < 0 || !RawSeek(0, kEnd)) return -1;
    const int64_t end = RawTell();
    RawSeek(here, kBegin);
    return end;
}

bool TStream::AtEnd()
{
    return available_ == 0 && RawAtEnd();
}

size_t TStream::Refill()
{
    if (readIndex_ == kBufferSize) {
        std::memmove(buffer_.get(), buffer_.get() + kBufferSize - kLookBehind, kLookBehind);
        readIndex_ = kLookBehind;
        available_ = RawRead(buffer_.get() + kLookBehind, kDirectRead);
    } else {
        readIndex_ = 0;
        available_ = RawRead(buffer_.get(), kBufferSize);
    }
    return available_;
}

size_t TStream::Read(void* data, size_t count)
{
    uint8_t* dst = static_cast<uint8_t*>(data);
    size_t done = std::min(count, available_);
    if (done) {
        std::memcpy(dst, buffer_.get() + readIndex_, done);
        readIndex_ += done;
        available_ -= done;
    }
    while (done < count) {
        const size_t want = count - done;
        if (want >= kDirectRead) {
            readIndex_ = 0;
            available_ = 0;
            const size_t got = RawRead(dst + done, want);
            done += got;
            if (got < want) break;
            continue;
        }
        if (Refill() == 0) break;
        const size_t take = std::min(want, available_);
        std::memcpy(dst + done, buffer_.get() + readIndex_, take);
        readIndex_ += take;
        available_ -= take;
        done += take;
    }
    if (done < count) NoteShort();
    return done;
}

int TStream::ReadByte()
{
    if (available_ == 0 && Refill() == 0) return -1;
    --available_;
    return buffer_[readIndex_++];
}

bool TStream::StepBack()
{
    if (readIndex_ > 0) {
        --readIndex_;
        ++available_;
        return true;
    }
    return Seek(-1, kCurrent);
}

void TStream::NoteShort() noexcept
{
    // A refused direction is the more telling reason; keep it.
    if (error_ != kWrongDirection) error_ = kShortTransfer;
}

bool TStream::GiveBackBuffered()
{
    if (available_ == 0) return true;
    const int64_t back = int64_t(available_);
    available_ = 0;
    readIndex_ = 0;
    if (!RawSeek(-back, kCurrent)) {
        SetError(kShortTransfer);
        return false;
    }
    return true;
}

size_t TStream::Write(const void* data, size_t count)
{
    if (!GiveBackBuffered()) return 0;
    readIndex_ = 0;
    const size_t done = count ? RawWrite(data, count) : 0;
    if (done < count) NoteShort();
    return done;
}

bool TStream::Seek(int64_t offset, int origin)
{
    if (origin == kCurrent) offset -= int64_t(available_);
    available_ = 0;
    readIndex_ = 0;
    if (!RawSeek(offset, origin)) {
        SetError(kShortTransfer);
        return false;
    }
    return true;
}

bool TStream::ReadU8(uint8_t& value)
{
    const int b = ReadByte();
    if (b < 0) {
        value = 0;
        NoteShort();
        return false;
    }
    value = uint8_t(b);
    return true;
}

bool TStream::ReadU16(uint16_t& value)
{
    uint8_t b[2];
    if (Read(b, 2) != 2) {
        value = 0;
        return false;
    }
    value = uint16_t(b[0] | b[1] << 8);
    return true;
}

bool TStream::ReadU32(uint32_t& value)
{
    uint8_t b[4];
    if (available_ >= 4) {  // the common case, without the general copy
        value = LoadU32(buffer_.get() + readIndex_);
        readIndex_ += 4;
        available_ -= 4;
        return true;
    }
    if (Read(b, 4) != 4) {
        value = 0;
        return false;
    }
    value = LoadU32(b);
    return true;
}

bool TStream::ReadI32(int32_t& value)
{
    uint32_t v;
    const bool ok = ReadU32(v);
    value = int32_t(v);
    return ok;
}

bool TStream::ReadU64(uint64_t& value)
{
    uint32_t low, high;
    const bool ok = ReadU32(low) && ReadU32(high);
    value = ok ? (uint64_t(high) << 32 | low) : 0;
    return ok;
}

bool TStream::ReadF32(float& value)
{
    uint32_t v;
    const bool ok = ReadU32(v);
    std::memcpy(&value, &v, 4);
    return ok;
}

bool TStream::WriteU8(uint8_t value)
{
    return Write(&value, 1) == 1;
}

bool TStream::WriteU16(uint16_t value)
{
    const uint8_t b[2] = {uint8_t(value), uint8_t(value >> 8)};
    return Write(b, 2) == 2;
}

bool TStream::WriteU32(uint32_t value)
{
    uint8_t b[4];
    StoreU32(b, value);
    return Write(b, 4) == 4;
}

bool TStream::WriteU64(uint64_t value)
{
    return WriteU32(uint32_t(value)) && WriteU32(uint32_t(value >> 32));
}

bool TStream::WriteF32(float value)
{
    uint32_t v;
    std::memcpy(&v, &value, 4);
    return WriteU32(v);
}

bool TStream::WriteLengthString(const Nox::PString& string)
{
    const std::string_view text = string.view();
    const size_t count = text.empty() ? 0 : text.size() + 1;
    if (count == 0 || count > kMaxStringCount) return WriteU32(0);
    std::string record(4, '\0');
    StoreU32(reinterpret_cast<uint8_t*>(record.data()), uint32_t(count));
    record.append(text);
    record.push_back('\0');
    return Write(record.data(), record.size()) == record.size();
}

Nox::PString TStream::ReadLengthString()
{
    uint32_t count;
    if (!ReadU32(count) || count == 0) return {};
    if (count > kMaxStringCount) {
        Seek(int64_t(count), kCurrent);
        return {};
    }
    std::string bytes(count, '\0');
    if (Read(bytes.data(), count) != count) return {};
    return Nox::PString(std::string_view(bytes.data(), strnlen(bytes.data(), count)));
}

bool TStream::WriteLengthText(std::string_view text)
{
    if (text.size() > kMaxTextCount) return WriteU32(0);
    return WriteU32(uint32_t(text.size())) && Write(text.data(), text.size()) == text.size();
}

std::string TStream::ReadLengthText()
{
    uint32_t count;
    if (!ReadU32(count) || count == 0) return {};
    if (count > kMaxTextCount) {
        Seek(int64_t(count), kCurrent);
        return {};
    }
    std::string text(count, '\0');
    if (Read(text.data(), count) != count) return {};
    return text;
}

bool TStream::WriteKUID(const KUID& kuid)
{
    const std::array<uint8_t, 8> bytes = kuid.ToStreamBytes();
    return Write(bytes.data(), bytes.size()) == bytes.size();
}

KUID TStream::ReadKUID()
{
    uint8_t bytes[8];
    if (Read(bytes, 8) != 8) return KUID::Null;
    return KUID::FromStreamBytes(bytes);
}

int64_t TStream::WriteMarker()
{
    const int64_t at = Position();
    if (at < 0 || !WriteU32(kMarker)) return -1;
    return at;
}

bool TStream::PatchU32(int64_t position, uint32_t value)
{
    const int64_t here = Position();
    if (here < 0 || !Seek(position, kBegin)) return false;
    const bool written = WriteU32(value);
    return Seek(here, kBegin) && written;
}

bool TStream::ReadLine(std::string& line)
{
    line.clear();
    int c = ReadByte();
    if (c < 0) return false;
    while (c >= 0 && c != '\r' && c != '\n') {
        line.push_back(char(c));
        c = ReadByte();
    }
    if (c >= 0) {
        const int pair = c == '\r' ? '\n' : '\r';
        const int next = ReadByte();
        if (next >= 0 && next != pair) StepBack();
    }
    return true;
}
