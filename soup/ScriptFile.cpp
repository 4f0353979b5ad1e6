// ScriptFile: loading and saving script sources, and the conversion between plain and scrambled form.
#include "soup/ScriptFile.h"
#include "soup/LittleEndian.h"

#include <cstring>

#include "engine/File.h"
#include "engine/Path.h"
#include "package/lzss/Lzss.h"

const std::array<uint8_t, 32> ScriptFile::kScriptKey = {
    0x60, 0xA4, 0xD8, 0xBB, 0x04, 0x7F, 0x02, 0xD1, 0x4C, 0xBC, 0x1A, 0xAA, 0xCB, 0xF7, 0x15, 0x08,
    0x1F, 0x5D, 0x1B, 0xA2, 0x5E, 0xA9, 0xD8, 0xA9, 0xC4, 0xE3, 0x3A, 0x3D, 0x89, 0x7E, 0xD8, 0xC5,
};

namespace {

constexpr int kScriptLevel = 9;
constexpr size_t kSizeSlot = 4;

void XorWithKey(std::vector<uint8_t>& bytes)
{
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] ^= ScriptFile::kScriptKey[i % ScriptFile::kScriptKey.size()];
}

// Without a source name a path is used as given (relative to the working
// directory); with one it is resolved inside that named source.
int OpenIn(Nox::File& file, std::string_view source, std::string_view path, unsigned mode)
{
    return source.empty() ? file.Open(path, mode) : file.Open(source, path, mode);
}

bool ExistsIn(std::string_view source, std::string_view path)
{
    return (source.empty() ? Nox::File::Exists(path) : Nox::File::Exists(source, path)) == 0;
}

bool UnlinkIn(std::string_view source, std::string_view path)
{
    return source.empty() ? Nox::File::Unlink(path) : Nox::File::Unlink(source, path);
}

enum class Kind { kPlain, kScrambled, kOther };

Kind KindOf(std::string_view path)
{
    const Nox::File::Path p(path);
    if (p.IsExt("gs")) return Kind::kPlain;
    if (p.IsExt("gse")) return Kind::kScrambled;
    return Kind::kOther;
}

}  // namespace

void ScriptFile::Clear()
{
    bytes_.clear();
    bytes_.shrink_to_fit();
    scrambled_ = false;
    plainSize_ = 0;
}

void ScriptFile::SetText(std::span<const uint8_t> text)
{
    bytes_.assign(text.begin(), text.end());
    scrambled_ = false;
    plainSize_ = uint32_t(text.size());
}

bool ScriptFile::Load(std::string_view source, std::string_view path)
{
    Clear();
    format_ = kFormatWord;
    const Kind kind = KindOf(path);
    if (kind == Kind::kOther) return false;
    Nox::File file;
    if (OpenIn(file, source, path, Nox::File::kRead) != 0) return false;
    const int64_t size = file.Size();
    if (size < 0) return false;
    path_ = path;
    source_ = source;

    if (kind == Kind::kPlain) {
        if (uint64_t(size) > kMaxPlainSize) return false;
        bytes_.resize(size_t(size));
        if (file.Read(bytes_.data(), bytes_.size()) != bytes_.size()) {
            Clear();
            return false;
        }
        plainSize_ = uint32_t(size);
        return true;
    }

    uint8_t header[kHeaderSize];
    if (file.Read(header, kHeaderSize) != kHeaderSize) return false;
    const uint32_t payload = LoadU32(header + 8);
    // The payload must be there in full; checked before anything is allocated.
    if (uint64_t(payload) > uint64_t(size) - kHeaderSize) return false;
    bytes_.resize(payload);
    if (file.Read(bytes_.data(), payload) != payload) {
        Clear();
        return false;
    }
    format_ = LoadU32(header);
    scrambled_ = true;
    return true;
}

bool ScriptFile::LoadScrambledBytes(std::span<const uint8_t> file)
{
    Clear();
    format_ = kFormatWord;
    if (file.size() < kHeaderSize) return false;
    const uint32_t payload = LoadU32(file.data() + 8);
    if (uint64_t(payload) > file.size() - kHeaderSize) return false;
    bytes_.assign(file.begin() + kHeaderSize, file.begin() + long(kHeaderSize + payload));
    format_ = LoadU32(file.data());
    scrambled_ = true;
    return true;
}

bool ScriptFile::Unscramble()
{
    if (!scrambled_) return true;
    std::vector<uint8_t> payload = std::move(bytes_);
    Clear();
    XorWithKey(payload);
    if (payload.size() < kSizeSlot) return false;
    const uint32_t plain = LoadU32(payload.data());
    if (plain > kMaxPlainSize) return false;
    if (plain == 0) return true;
    // Grows the output as the stream really decodes, so a small damaged file
    // declaring a large size does not cost a large allocation.
    std::optional<std::vector<uint8_t>> text =
        LzssDecompressAll(std::span<const uint8_t>(payload).subspan(kSizeSlot), plain);
    if (!text || text->size() != plain) return false;
    bytes_ = std::move(*text);
    plainSize_ = plain;
    return true;
}

bool ScriptFile::Scramble()
{
    if (scrambled_) return true;
    // A text the reader would refuse is not written.
    if (bytes_.size() > kMaxPlainSize) return false;
    const size_t plain = bytes_.size();
    std::vector<uint8_t> payload(kSizeSlot + LzssCompressBound(plain));
    StoreU32(payload.data(), uint32_t(plain));
    const size_t packed =
        LzssCompressBlock(payload.data() + kSizeSlot, payload.size() - kSizeSlot, bytes_.data(), plain, kScriptLevel);
    if (packed == 0) return false;
    payload.resize(kSizeSlot + packed);
    XorWithKey(payload);
    bytes_ = std::move(payload);
    scrambled_ = true;
    plainSize_ = uint32_t(plain);
    return true;
}

bool ScriptFile::GetText(std::span<const uint8_t>& text)
{
    if (!Unscramble()) {
        text = {};
        return false;
    }
    text = bytes_;
    return true;
}

bool ScriptFile::Save(std::string_view source, std::string_view path)
{
    const Kind kind = KindOf(path);
    if (kind == Kind::kOther) return false;
    if (kind == Kind::kScrambled ? !Scramble() : !Unscramble()) return false;
    if (ExistsIn(source, path) && !UnlinkIn(source, path)) return false;

    Nox::File file;
    if (OpenIn(file, source, path, Nox::File::kCreate) != 0) return false;
    if (kind == Kind::kScrambled) {
        uint8_t header[kHeaderSize] = {};
        StoreU32(header, format_);
        StoreU32(header + 8, uint32_t(bytes_.size()));
        if (file.Write(header, kHeaderSize) != kHeaderSize) return false;
    }
    if (file.Write(bytes_.data(), bytes_.size()) != bytes_.size()) return false;
    return file.Flush();
}
