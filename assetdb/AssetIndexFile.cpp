// Reader and writer of assets.tdx: a record field table and the body sections around it.
//
// File layout (little-endian):
//
//   offset size  field
//   0      4     magic 0xCEEBA2DB
//   4      4     version (20..36 read, 36 written)
//   8      4     total file size; 0xFEEDCEEB until the last byte is written
//   12     4     scrambling seed (v >= 34); the body bytes are scrambled by file offset
//   12/16  ...   body
//
// Body sections, in order ("v >= n": present from version n on):
//
//   1  records: u32 count, then each record by kRecordFields
//   2  KUID map 1: u32 carries-third flag, entries (source, target[, third]) up to a null source
//   3  KUID map 2 (v >= 26), same layout
//   4  dependencies: u16 version 1, u32 count, per entry KUID, u32 n + n KUIDs, u32 m + m KUIDs
//   5  authors: u32 0, u32 count, per entry length-string name, i32 user id, i32 second id;
//      an entry with user id -1, or an empty name and second id -1, ends the table
//   6  database log (v >= 35): u16 version 0, u32 sequence, u32 count, per entry u8 type,
//      u8 has-KUID, [KUID], text, u8 level, u32 sequence
//   7  current user length-string (v >= 24)
//   8  length-string and boolean (v >= 36)
//   9  boolean: no GPU texture compression (v >= 25)
//   10 u32 highest build, u32 last writer build (v >= 30)
//   11 u64 time stamp (v >= 31)
//   12 settings soup (v >= 27), then the per-asset soup; each a chunked soup with its header
//   13 path table: u32 version 0, u32 count, per entry u32 version 1, boolean, u32, text path,
//      text, u32, u32 n + n KUIDs, u32 0x41494E65
//   14 u32, ignored (v <= 31)
//   15 u64 (v >= 32)
//   16 download station: u32 version 1, text, u64 time stamp, u32 n + n texts
//   17 three u32
//   18 client identifier: u32 0xDEADD00D, 8 bytes
//   19 boolean: full scan done
//
// Primitive encodings: a text is u32 n + n bytes (n >= 0x10000 skipped, read as empty; written
// as 0 when that long); a length-string is u32 n counting a trailing NUL (0 = empty), read up to
// the first NUL; a KUID is u32 content id, then the packed word (version << 25 | user id).
//
// Accepted on purpose: bytes after the last section (the size field still has to match); an
// author entry that ends the table early; texts of 64 KiB or more (read as empty); null KUIDs in
// path entries (dropped); a record KUID stored twice (the later record wins); a client
// identifier of another machine (replaced). Everything else that does not fit rejects the file.
#include "assetdb/AssetIndexFile.h"

#include "assetdb/RecordFiling.h"
#include "engine/Thread.h"

#include "soup/ChunkedSoup.h"
#include "soup/SoupRef.h"
#include "soup/Stream.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

namespace {

// ---------------------------------------------------------------- byte cursors

class IndexReader {
public:
    explicit IndexReader(std::span<const uint8_t> bytes) : p_(bytes.data()), end_(bytes.data() + bytes.size()) {}

    bool Failed() const { return reason_ != nullptr; }
    const char* Reason() const { return reason_; }
    size_t Remaining() const { return size_t(end_ - p_); }

    void Fail(const char* why)
    {
        if (!reason_)
            reason_ = why;
        p_ = end_;
    }
    // One-line checks: fails with `why` unless `condition` holds.
    bool Check(bool condition, const char* why)
    {
        if (!condition)
            Fail(why);
        return condition;
    }

    const uint8_t* Take(size_t n)
    {
        if (Remaining() < n) {
            Fail("truncated");
            return nullptr;
        }
        const uint8_t* at = p_;
        p_ += n;
        return at;
    }
    template <typename T>
    T Scalar()
    {
        T value{};
        if (const uint8_t* at = Take(sizeof(T)))
            std::memcpy(&value, at, sizeof(T));
        return value;
    }
    uint8_t U8() { return Scalar<uint8_t>(); }
    uint16_t U16() { return Scalar<uint16_t>(); }
    uint32_t U32() { return Scalar<uint32_t>(); }
    int32_t I32() { return Scalar<int32_t>(); }
    uint64_t U64() { return Scalar<uint64_t>(); }
    float F32() { return Scalar<float>(); }
    bool Bool() { return U8() != 0; }

    KUID Kuid()
    {
        const uint8_t* at = Take(8);
        if (!at)
            return KUID::Null;
        uint32_t content, packed;
        std::memcpy(&content, at, 4);
        std::memcpy(&packed, at + 4, 4);
        // The packed word: version in the top 7 bits, user id in the low 25 (sign-extended).
        return KUID(int32_t(packed << 7) >> 7, int32_t(content), int32_t(packed >> 25));
    }

    // A count of items that each take at least `itemSize` bytes; fails when they cannot fit.
    uint32_t Count(size_t itemSize)
    {
        uint32_t n = U32();
        if (itemSize && n > Remaining() / itemSize) {
            Fail("count exceeds the bytes left");
            return 0;
        }
        return n;
    }

    void Text(std::string& out)
    {
        uint32_t n = U32();
        const uint8_t* at = Take(n);
        if (!at || n == 0 || n >= 0x10000) {
            out.clear();
            return;
        }
        // Built in place and moved in: cheaper than assign(), which allows for overlapping text;
        // most record texts are read into empty strings.
        out = std::string(reinterpret_cast<const char*>(at), n);
    }
    std::string Text()
    {
        std::string s;
        Text(s);
        return s;
    }

    Nox::PString LengthString()
    {
        uint32_t n = U32();
        const uint8_t* at = Take(n);
        if (!at || n == 0 || n > 0xFFFF)
            return {};
        const char* text = reinterpret_cast<const char*>(at);
        return Nox::PString(std::string_view(text, strnlen(text, n)));
    }

private:
    const uint8_t* p_;
    const uint8_t* end_;
    const char* reason_ = nullptr;
};

class IndexWriter {
public:
    // Hands finished bytes (already scrambled) to a file; false when the file refused them.
    using Sink = std::function<bool(std::span<const uint8_t>)>;

    // Appends to `out`; Finish() trims the spare room grown on the way.
    explicit IndexWriter(std::vector<uint8_t>& out) : out_(out), used_(out.size()) {}
    // Streams instead: whenever about kPieceBytes have gathered they are scrambled by their file
    // offset (bytes before kScrambleFrom stay plain) and handed to `sink`; `out` is reused.
    IndexWriter(std::vector<uint8_t>& out, uint32_t seed, Sink sink)
        : out_(out), used_(out.size()), seed_(seed), sink_(std::move(sink))
    {
    }

    static constexpr size_t kPieceBytes = 1 << 20;
    static constexpr size_t kScrambleFrom = 16;

    // File offset of the next byte.
    size_t Position() const { return handedOver_ + used_; }
    bool Failed() const { return failed_; }
    void Finish()
    {
        if (sink_ && used_)
            HandOver();
        out_.resize(used_);
    }
    void Bytes(const void* data, size_t n)
    {
        if (n)
            std::memcpy(Grow(n), data, n);
    }
    template <typename T>
    void Scalar(T value)
    {
        std::memcpy(Grow(sizeof(T)), &value, sizeof(T));
    }
    void U8(uint8_t v) { *Grow(1) = v; }
    void U16(uint16_t v) { Scalar(v); }
    void U32(uint32_t v) { Scalar(v); }
    void I32(int32_t v) { Scalar(v); }
    void U64(uint64_t v) { Scalar(v); }
    void F32(float v) { Scalar(v); }
    void Bool(bool v) { U8(v ? 1 : 0); }
    void Kuid(const KUID& k)
    {
        U32(uint32_t(k.contentId));
        U32((uint32_t(k.version) << 25) | (uint32_t(k.userId) & 0x1FFFFFFu));  // as KUID::PackedWord
    }
    void Text(std::string_view s)
    {
        if (s.size() >= 0x10000) {
            U32(0);
            return;
        }
        U32(uint32_t(s.size()));
        Bytes(s.data(), s.size());
    }
    void LengthString(const Nox::PString& s)
    {
        size_t n = s.size() + 1;
        if (s.empty() || n > 0xFFFF) {
            U32(0);
            return;
        }
        U32(uint32_t(n));
        Bytes(s.c_str(), n);
    }
    // Only for bytes not handed over yet (the in-memory image).
    void PatchU32(size_t position, uint32_t value) { std::memcpy(out_.data() + position, &value, 4); }

private:
    // Room for n more bytes. The common case (they fit below room_) stays inline.
    uint8_t* Grow(size_t n)
    {
        if (used_ + n > room_)
            MakeRoom(n);
        uint8_t* at = out_.data() + used_;
        used_ += n;
        return at;
    }

    void MakeRoom(size_t n)
    {
        if (sink_ && used_ + n > kPieceBytes && used_ > 0)
            HandOver();
        if (used_ + n > out_.size())
            out_.resize(std::max({out_.capacity(), out_.size() * 2, used_ + n + 65536}));
        room_ = sink_ ? std::max(used_ + n, std::min(out_.size(), kPieceBytes)) : out_.size();
    }

    void HandOver()
    {
        size_t plain = handedOver_ < kScrambleFrom ? std::min(used_, kScrambleFrom - handedOver_) : 0;
        TStreamObfuscated::ScrambleBytes(out_.data() + plain, used_ - plain, seed_, uint32_t(handedOver_ + plain));
        if (!failed_ && !sink_(std::span<const uint8_t>(out_.data(), used_)))
            failed_ = true;
        handedOver_ += used_;
        used_ = 0;
    }

    std::vector<uint8_t>& out_;
    size_t used_;
    size_t room_ = 0;  // Grow needs MakeRoom beyond this
    uint32_t seed_ = 0;
    Sink sink_;
    size_t handedOver_ = 0;
    bool failed_ = false;
};

// ---------------------------------------------------------------- record fields

using R = VLXAssetRecord;

enum class FieldType : uint8_t {
    Kuid,             // 8 bytes
    Text,             // u32 length + bytes
    Bit,              // boolean byte for one bit of a flag byte
    Bool,             // boolean byte for a whole byte (0 or 1)
    ObsoleteCurrent,  // boolean: obsoleteGeneration equals the current generation
    I32,
    U32,
    F32,
    U8,
    U64,
};

struct RecordField {
    const char* name;
    FieldType type;
    uint32_t since = kIndexOldest;  // first version that stores the field
    uint32_t until = kIndexCurrent;  // last version that stores it
    bool needsInstalledPath = false;  // stored only when installedPath (read before) is non-empty
    KUID R::*kuid = nullptr;
    std::string R::*text = nullptr;
    uint8_t R::*byte = nullptr;
    uint8_t mask = 0;
    int32_t R::*i32 = nullptr;
    uint32_t R::*u32 = nullptr;
    float R::*f32 = nullptr;
    uint64_t R::*u64 = nullptr;

    constexpr RecordField Since(uint32_t version) const
    {
        RecordField f = *this;
        f.since = version;
        return f;
    }
    constexpr RecordField WithInstalledPath() const
    {
        RecordField f = *this;
        f.needsInstalledPath = true;
        return f;
    }
};

constexpr RecordField KuidField(const char* name, KUID R::*m) { return {.name = name, .type = FieldType::Kuid, .kuid = m}; }
constexpr RecordField TextField(const char* name, std::string R::*m) { return {.name = name, .type = FieldType::Text, .text = m}; }
constexpr RecordField BitField(const char* name, uint8_t R::*m, uint8_t mask)
{
    return {.name = name, .type = FieldType::Bit, .byte = m, .mask = mask};
}
constexpr RecordField BoolField(const char* name, uint8_t R::*m) { return {.name = name, .type = FieldType::Bool, .byte = m}; }
constexpr RecordField I32Field(const char* name, int32_t R::*m) { return {.name = name, .type = FieldType::I32, .i32 = m}; }
constexpr RecordField U32Field(const char* name, uint32_t R::*m) { return {.name = name, .type = FieldType::U32, .u32 = m}; }
constexpr RecordField F32Field(const char* name, float R::*m) { return {.name = name, .type = FieldType::F32, .f32 = m}; }
constexpr RecordField U8Field(const char* name, uint8_t R::*m) { return {.name = name, .type = FieldType::U8, .byte = m}; }
constexpr RecordField U64Field(const char* name, uint64_t R::*m) { return {.name = name, .type = FieldType::U64, .u64 = m}; }
constexpr RecordField ObsoleteCurrentField() { return {.name = "obsoleteCurrent", .type = FieldType::ObsoleteCurrent}; }

// One record, in stored order.
constexpr RecordField kRecordFields[] = {
    KuidField("kuid", &R::kuid),
    TextField("categoryClass", &R::categoryClass),
    TextField("name", &R::name),
    TextField("regionList", &R::regionList),
    TextField("eraList", &R::eraList),
    TextField("keywords", &R::keywords),
    TextField("editingPath", &R::editingPath),
    TextField("installedPath", &R::installedPath),
    TextField("location", &R::location),
    TextField("localPath", &R::localPath),
    KuidField("mapKuid", &R::mapKuid),
    BitField("flags.favourite", &R::flags, 0x01),
    BitField("flags.locallyEnabled", &R::flags, 0x02),
    BitField("flags.bit2", &R::flags, 0x04),
    BitField("flags.dyebox", &R::flags, 0x08),
    BitField("flags.inArchive", &R::flags, 0x10),
    BitField("flags.archiveKnown", &R::flags, 0x20),
    BitField("flags.onDownloadStation", &R::flags, 0x40),
    BitField("flags.foundByBuiltinScan", &R::flags, 0x80).WithInstalledPath(),
    BitField("flags2.builtIn", &R::flags2, 0x01).WithInstalledPath(),
    BitField("flags2.hasMissingDeps", &R::flags2, 0x02),
    BitField("flags2.missingDepsKnown", &R::flags2, 0x04),
    BitField("flags2.faulty", &R::flags2, 0x08),
    BitField("flags2.hasWarnings", &R::flags2, 0x10).Since(kIndexWarningFlag),
    BitField("flags2.hasFaultyDeps", &R::flags2, 0x20),
    BitField("flags2.faultyDepsKnown", &R::flags2, 0x40),
    BitField("flags2.obsolete", &R::flags2, 0x80).Since(kIndexObsoleteFlag),
    ObsoleteCurrentField().Since(kIndexObsoleteFlag),
    BitField("permissions.commit", &R::permissions, 0x04),
    BitField("permissions.edit", &R::permissions, 0x08),
    BitField("permissions.listing", &R::permissions, 0x10),
    BitField("permissions.bit0", &R::permissions, 0x01).Since(kIndexLowPermissions),
    BitField("permissions.bit1", &R::permissions, 0x02).Since(kIndexLowPermissions),
    BoolField("extraFlag", &R::extraFlag).Since(kIndexExtraFlag),
    I32Field("diskSize", &R::diskSize),
    F32Field("build", &R::build),
    U8Field("localRating", &R::localRating),
    U64Field("installTime", &R::installTime),
    U64Field("modifyTime", &R::modifyTime),
    TextField("cachedDescription", &R::cachedDescription),
    TextField("displayName", &R::displayName),
    U32Field("folderStamp", &R::folderStamp).Since(kIndexFolderStamp),
};

// Records are read and written by unrolling kRecordFields at compile time: each field becomes
// straight-line code with its member and type fixed, and only the version and installedPath
// conditions are left to run time. A loaded index passes every record through here.

// Whether field I is stored in a record of `version`; hasInstalledPath() is asked only for the
// fields stored with an installedPath.
template <size_t I, typename HasInstalledPath>
inline bool IsStored(uint32_t version, HasInstalledPath&& hasInstalledPath)
{
    constexpr RecordField f = kRecordFields[I];
    if constexpr (f.since > kIndexOldest)
        if (version < f.since)
            return false;
    if constexpr (f.until < kIndexCurrent)
        if (version > f.until)
            return false;
    if constexpr (f.needsInstalledPath)
        return hasInstalledPath();
    return true;
}

template <size_t I>
inline void ReadField(IndexReader& in, uint32_t version, uint32_t generation, R& r)
{
    constexpr RecordField f = kRecordFields[I];
    if (!IsStored<I>(version, [&] { return !r.installedPath.empty(); }))
        return;
    if constexpr (f.type == FieldType::Kuid)
        r.*f.kuid = in.Kuid();
    else if constexpr (f.type == FieldType::Text)
        in.Text(r.*f.text);
    else if constexpr (f.type == FieldType::Bit)
        r.*f.byte |= uint8_t(in.Bool() ? f.mask : 0);
    else if constexpr (f.type == FieldType::Bool)
        r.*f.byte = in.Bool() ? 1 : 0;
    else if constexpr (f.type == FieldType::ObsoleteCurrent)
        r.obsoleteGeneration = in.Bool() ? generation : 0;
    else if constexpr (f.type == FieldType::I32)
        r.*f.i32 = in.I32();
    else if constexpr (f.type == FieldType::U32)
        r.*f.u32 = in.U32();
    else if constexpr (f.type == FieldType::F32)
        r.*f.f32 = in.F32();
    else if constexpr (f.type == FieldType::U8)
        r.*f.byte = in.U8();
    else if constexpr (f.type == FieldType::U64)
        r.*f.u64 = in.U64();
}

template <size_t I>
inline void WriteField(IndexWriter& out, uint32_t generation, const R& r)
{
    constexpr RecordField f = kRecordFields[I];
    if constexpr (f.until < kIndexCurrent)
        return;
    if constexpr (f.needsInstalledPath)
        if (r.installedPath.empty())
            return;
    if constexpr (f.type == FieldType::Kuid)
        out.Kuid(r.*f.kuid);
    else if constexpr (f.type == FieldType::Text)
        out.Text(r.*f.text);
    else if constexpr (f.type == FieldType::Bit)
        out.Bool((r.*f.byte & f.mask) != 0);
    else if constexpr (f.type == FieldType::Bool)
        out.Bool(r.*f.byte != 0);
    else if constexpr (f.type == FieldType::ObsoleteCurrent)
        out.Bool(r.obsoleteGeneration != 0 && r.obsoleteGeneration == generation);
    else if constexpr (f.type == FieldType::I32)
        out.I32(r.*f.i32);
    else if constexpr (f.type == FieldType::U32)
        out.U32(r.*f.u32);
    else if constexpr (f.type == FieldType::F32)
        out.F32(r.*f.f32);
    else if constexpr (f.type == FieldType::U8)
        out.U8(r.*f.byte);
    else if constexpr (f.type == FieldType::U64)
        out.U64(r.*f.u64);
}

template <size_t... I>
void ReadFields(IndexReader& in, uint32_t version, uint32_t generation, R& r, std::index_sequence<I...>)
{
    (ReadField<I>(in, version, generation, r), ...);
}

template <size_t... I>
void WriteFields(IndexWriter& out, uint32_t generation, const R& r, std::index_sequence<I...>)
{
    (WriteField<I>(out, generation, r), ...);
}

constexpr auto kFieldIndexes = std::make_index_sequence<std::size(kRecordFields)>();

void ReadRecord(IndexReader& in, uint32_t version, uint32_t generation, R& r)
{
    // Flag bytes hold only what the file stores; bits of absent fields read as 0.
    r.flags = r.flags2 = r.permissions = 0;
    ReadFields(in, version, generation, r, kFieldIndexes);
}

void WriteRecord(IndexWriter& out, uint32_t generation, const R& r)
{
    WriteFields(out, generation, r, kFieldIndexes);
}

constexpr size_t StoredSize(FieldType type)
{
    switch (type) {
    case FieldType::Kuid:
    case FieldType::U64: return 8;
    case FieldType::Text:
    case FieldType::I32:
    case FieldType::U32:
    case FieldType::F32: return 4;
    default: return 1;
    }
}

// The smallest record any version stores (empty texts, no installedPath): a bound for counts.
constexpr size_t MinRecordBytes()
{
    size_t total = 0;
    for (const RecordField& f : kRecordFields)
        if (f.since == kIndexOldest && !f.needsInstalledPath)
            total += StoredSize(f.type);
    return total;
}
constexpr size_t kMinRecordBytes = MinRecordBytes();
static_assert(kMinRecordBytes == 100);

// ---------------------------------------------------------------- sections

// Skipping a record checks exactly what reading it checks (every length against the bytes left),
// so a file that skips cleanly also reads cleanly.
template <size_t I>
inline void SkipField(IndexReader& in, uint32_t version, bool& hasInstalledPath)
{
    constexpr RecordField f = kRecordFields[I];
    if (!IsStored<I>(version, [&] { return hasInstalledPath; }))
        return;
    if constexpr (f.type == FieldType::Text) {
        const uint32_t n = in.U32();
        const bool taken = in.Take(n) != nullptr;
        if constexpr (f.text == &R::installedPath)
            hasInstalledPath = taken && n != 0 && n < 0x10000;
    } else {
        in.Take(StoredSize(f.type));
    }
}

template <size_t... I>
void SkipFields(IndexReader& in, uint32_t version, std::index_sequence<I...>)
{
    bool hasInstalledPath = false;
    (SkipField<I>(in, version, hasInstalledPath), ...);
}

constexpr size_t kRecordBlockSize = 512;
// The second thread's share of the records, in percent: the first thread also files every record
// into the map and the array, so it reads fewer.
constexpr uint64_t kSecondThreadShare = 67;

// Reads count records in blocks and hands each block to `take` with the number read into it.
template <typename TakeBlock>
void ReadRecordBlocks(IndexReader& in, uint32_t version, uint32_t generation, uint32_t count, TakeBlock&& take)
{
    for (uint32_t i = 0; i < count && !in.Failed();) {
        const size_t blockSize = std::min<size_t>(kRecordBlockSize, count - i);
        // Default-initialised: the members' own initialisers run, without zeroing the block first.
        VLXRecordBlock block = std::make_shared_for_overwrite<VLXAssetRecord[]>(blockSize);
        size_t read = 0;
        while (read < blockSize) {
            ReadRecord(in, version, generation, block[read]);
            if (in.Failed())
                break;
            ++read;
        }
        i += uint32_t(read);
        take(std::move(block), read);
    }
}

// Sets whether the record array came out in name order and how many threads read the records.
// A large index is read by two threads: a quick skip over the first records finds where the
// second thread starts, then both read and prepare their records at once, and the records enter
// the map and the array in file order.
void ReadRecords(IndexReader& in, uint32_t version, VLXAssetIndex& index, const VLXIndexReadContext& context,
                 VLXIndexReadResult& result)
{
    const uint32_t count = in.Count(kMinRecordBytes);
    index.records.reserve(count);
    index.array.reserve(count);
    VLXRecordFiler filer(index);
    auto fileBlock = [&](VLXRecordBlock block, size_t n) { filer.File(block, n); };
    if (count >= std::max(context.twoThreadRecords, 2u)) {
        const uint32_t firstCount = count - uint32_t(count * kSecondThreadShare / 100);
        IndexReader second = in;
        for (uint32_t i = 0; i < firstCount && !second.Failed(); ++i)
            SkipFields(second, version, kFieldIndexes);
        // A damaged first part is left to the plain read below, which fails where it is damaged.
        if (!second.Failed()) {
            std::vector<std::pair<VLXRecordBlock, size_t>> secondBlocks;
            secondBlocks.reserve((count - firstCount) / kRecordBlockSize + 1);
            Nox::Thread thread([&] {
                ReadRecordBlocks(second, version, index.generation, count - firstCount,
                                 [&](VLXRecordBlock block, size_t n) {
                                     for (size_t k = 0; k < n; ++k)
                                         VLXPrepareReadRecord(block[k]);
                                     secondBlocks.emplace_back(std::move(block), n);
                                 });
            });
            thread.Resume();
            ReadRecordBlocks(in, version, index.generation, firstCount, fileBlock);
            thread.Join();
            for (const auto& [block, n] : secondBlocks)
                filer.File(block, n, true);
            if (second.Failed())
                in.Fail(second.Reason());
            else if (!in.Failed())
                in = second;
            result.arraySorted = filer.Finish();
            result.recordThreads = 2;
            return;
        }
    }
    ReadRecordBlocks(in, version, index.generation, count, fileBlock);
    result.arraySorted = filer.Finish();
}

void WriteRecords(IndexWriter& out, const VLXAssetIndex& index)
{
    out.U32(uint32_t(index.array.size()));
    for (const VLXAssetRecordRef& record : index.array)
        WriteRecord(out, index.generation, *record);
}

void ReadKuidMap(IndexReader& in, VLXKuidMapTable& table)
{
    table.Clear();
    table.carriesThird = in.U32() != 0;
    while (!in.Failed()) {
        VLXKuidMapEntry entry;
        entry.source = in.Kuid();
        if (entry.source.IsNull())
            break;
        entry.target = in.Kuid();
        if (table.carriesThird)
            entry.third = in.Kuid();
        if (!in.Failed())
            table.Set(entry);
    }
}

void WriteKuidMap(IndexWriter& out, const VLXKuidMapTable& table)
{
    out.U32(table.carriesThird ? 1 : 0);
    for (const VLXKuidMapEntry& entry : table.Entries()) {
        if (entry.source.IsNull())
            continue;
        out.Kuid(entry.source);
        out.Kuid(entry.target);
        if (table.carriesThird)
            out.Kuid(entry.third);
    }
    out.Kuid(KUID::Null);
}

void ReadKuidList(IndexReader& in, std::vector<KUID>& list)
{
    uint32_t n = in.Count(8);
    list.resize(n);
    for (KUID& k : list)
        k = in.Kuid();
}

void WriteKuidList(IndexWriter& out, const std::vector<KUID>& list)
{
    out.U32(uint32_t(list.size()));
    for (const KUID& k : list)
        out.Kuid(k);
}

void ReadDependencies(IndexReader& in, VLXDependencyTable& table)
{
    table.Clear();
    if (!in.Check(in.U16() == 1, "dependency table version is not 1"))
        return;
    uint32_t count = in.Count(16);
    table.Reserve(count);
    for (uint32_t i = 0; i < count && !in.Failed(); ++i) {
        VLXDependencyEntry& entry = table.Get(in.Kuid());
        ReadKuidList(in, entry.requiredKuids);
        ReadKuidList(in, entry.requiringKuids);
    }
}

void WriteDependencies(IndexWriter& out, const VLXDependencyTable& table)
{
    out.U16(1);
    out.U32(uint32_t(table.Entries().size()));
    for (const VLXDependencyEntry& entry : table.Entries()) {
        out.Kuid(entry.kuid);
        WriteKuidList(out, entry.requiredKuids);
        WriteKuidList(out, entry.requiringKuids);
    }
}

void ReadAuthors(IndexReader& in, std::vector<VLXAuthorEntry>& authors)
{
    authors.clear();
    if (!in.Check(in.U32() == 0, "author table marker is not 0"))
        return;
    uint32_t count = in.Count(12);
    for (uint32_t i = 0; i < count && !in.Failed(); ++i) {
        VLXAuthorEntry entry;
        entry.name = in.LengthString().ToLower();
        entry.userId = in.I32();
        entry.secondId = in.I32();
        if (entry.userId == -1 || (entry.name.empty() && entry.secondId == -1))
            break;
        if (!in.Failed())
            authors.push_back(std::move(entry));
    }
}

void WriteAuthors(IndexWriter& out, const std::vector<VLXAuthorEntry>& authors)
{
    out.U32(0);
    out.U32(uint32_t(authors.size()));
    for (const VLXAuthorEntry& entry : authors) {
        out.LengthString(entry.name);
        out.I32(entry.userId);
        out.I32(entry.secondId);
    }
}

void ReadLog(IndexReader& in, VLXLogSnapshot& log)
{
    if (!in.Check(in.U16() == 0, "database log version is not 0"))
        return;
    log.sequence = in.U32();
    uint32_t count = in.Count(11);
    log.entries.reserve(count);
    for (uint32_t i = 0; i < count && !in.Failed(); ++i) {
        VLXLogRecord entry;
        entry.type = in.U8();
        entry.hasKuid = in.U8() != 0;
        if (entry.hasKuid)
            entry.kuid = in.Kuid();
        in.Text(entry.text);
        entry.level = in.U8();
        entry.sequence = in.U32();
        if (!in.Failed())
            log.entries.push_back(std::move(entry));
    }
}

void WriteLog(IndexWriter& out, const VLXLogSnapshot& log)
{
    out.U16(0);
    out.U32(log.sequence);
    out.U32(uint32_t(log.entries.size()));
    for (const VLXLogRecord& entry : log.entries) {
        out.U8(entry.type);
        out.U8(entry.hasKuid ? 1 : 0);
        if (entry.hasKuid)
            out.Kuid(entry.kuid);
        out.Text(entry.text);
        out.U8(entry.level);
        out.U32(entry.sequence);
    }
}

constexpr uint64_t kDayInTimeStampUnits = 86400ull * 1000000ull;  // time stamps count microseconds

constexpr uint8_t kSoupMagic[4] = {'A', 'C', 'S', '$'};
constexpr size_t kSoupHeaderBytes = 16;

void ReadSoup(IndexReader& in, SoupRef& soup)
{
    soup = SoupRef();
    const uint8_t* header = in.Take(kSoupHeaderBytes);
    if (!header)
        return;
    if (!in.Check(std::memcmp(header, kSoupMagic, 4) == 0, "embedded soup has no chunked soup header"))
        return;
    uint32_t bodyLength;
    std::memcpy(&bodyLength, header + 12, 4);
    const uint8_t* body = in.Take(bodyLength);
    if (!body || bodyLength == 0)
        return;
    ChunkRef root = ReadChunkedSoup(std::span<const uint8_t>(header, kSoupHeaderBytes + bodyLength));
    if (root && !root->IsNullChunk())
        soup = SoupRef(std::move(root));
}

void WriteSoup(IndexWriter& out, const SoupRef& soup)
{
    // An empty soup is the bare header with body length 0.
    if (soup.IsEmpty() || soup->GetChildCount() == 0) {
        const uint8_t empty[kSoupHeaderBytes] = {'A', 'C', 'S', '$', 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        out.Bytes(empty, sizeof empty);
        return;
    }
    std::vector<uint8_t> bytes = WriteChunkedSoup(*soup.Get());
    out.Bytes(bytes.data(), bytes.size());
}

void ReadPathEntries(IndexReader& in, std::vector<VLXPathEntry>& entries)
{
    entries.clear();
    if (!in.Check(in.U32() == 0, "path table version is not 0"))
        return;
    uint32_t count = in.Count(29);
    for (uint32_t i = 0; i < count && !in.Failed(); ++i) {
        if (!in.Check(in.U32() == 1, "path entry version is not 1"))
            return;
        VLXPathEntry entry;
        entry.flag = in.Bool();
        entry.value1 = in.U32();
        in.Text(entry.path);
        in.Text(entry.text);
        entry.value2 = in.U32();
        uint32_t n = in.Count(8);
        for (uint32_t k = 0; k < n; ++k) {
            KUID kuid = in.Kuid();
            if (!kuid.IsNull())
                entry.kuids.push_back(kuid);
        }
        if (!in.Check(in.U32() == kPathEntryEndMarker, "path entry end marker missing"))
            return;
        entries.push_back(std::move(entry));
    }
}

void WritePathEntries(IndexWriter& out, const std::vector<VLXPathEntry>& entries)
{
    out.U32(0);
    out.U32(uint32_t(entries.size()));
    for (const VLXPathEntry& entry : entries) {
        out.U32(1);
        out.Bool(entry.flag);
        out.U32(entry.value1);
        out.Text(entry.path);
        out.Text(entry.text);
        out.U32(entry.value2);
        WriteKuidList(out, entry.kuids);
        out.U32(kPathEntryEndMarker);
    }
}

void ReadDownloadStation(IndexReader& in, VLXDownloadStationState& state, const VLXIndexReadContext& context)
{
    if (!in.Check(in.U32() == 1, "download station version is not 1"))
        return;
    in.Text(state.text);
    state.timeStamp = in.U64();
    if (context.now != 0 && state.timeStamp > context.now) {
        if (context.log)
            context.log("VLXDownloadStation::Read> future-dated timestamp, resetting");
        state.timeStamp = 0;
    }
    uint32_t n = in.Count(4);
    state.queuedUrls.resize(n);
    for (std::string& url : state.queuedUrls)
        in.Text(url);
}

void WriteDownloadStation(IndexWriter& out, const VLXDownloadStationState& state)
{
    out.U32(1);
    out.Text(state.text);
    out.U64(state.timeStamp);
    out.U32(uint32_t(state.queuedUrls.size()));
    for (const std::string& url : state.queuedUrls)
        out.Text(url);
}

void ReadClientId(IndexReader& in, VLXAssetIndex& index, const VLXIndexReadContext& context)
{
    if (!in.Check(in.U32() == kClientIdMagic, "client identifier magic missing"))
        return;
    if (const uint8_t* bytes = in.Take(8))
        std::memcpy(index.clientId.data(), bytes, 8);
    if (std::memcmp(index.clientId.data() + 4, context.machine.data(), 4) == 0)
        return;
    // Made on another machine: a fresh identifier with the next counter value.
    uint32_t r = context.random ? context.random() : 0;
    index.clientId[0] = uint8_t(r);
    index.clientId[1] = uint8_t(r >> 8);
    index.clientId[2] = uint8_t(r >> 16);
    index.clientId[3] = uint8_t(index.clientId[3] + 1);
    std::memcpy(index.clientId.data() + 4, context.machine.data(), 4);
}

// Unscrambles the body of a large index in two halves at once: the scrambling depends only on
// the seed and each byte's file offset.
void UnscrambleBody(std::span<uint8_t> body, uint32_t seed, uint32_t position)
{
    constexpr size_t kSplitFrom = size_t(1) << 20;
    if (body.size() < kSplitFrom) {
        TStreamObfuscated::UnscrambleBytes(body.data(), body.size(), seed, position);
        return;
    }
    const size_t half = body.size() / 2;
    Nox::Thread second([&] {
        TStreamObfuscated::UnscrambleBytes(body.data() + half, body.size() - half, seed, position + uint32_t(half));
    });
    second.Resume();
    TStreamObfuscated::UnscrambleBytes(body.data(), half, seed, position);
    second.Join();
}

void ReadBody(IndexReader& in, uint32_t v, VLXAssetIndex& index, const VLXIndexReadContext& context,
              VLXIndexReadResult& result)
{
    ReadRecords(in, v, index, context, result);
    ReadKuidMap(in, index.obsoleteMap);
    if (v >= kIndexSecondKuidMap)
        ReadKuidMap(in, index.kuidMap2);
    ReadDependencies(in, index.dependencies);
    ReadAuthors(in, index.authors);
    if (v >= kIndexDatabaseLog)
        ReadLog(in, index.log);
    if (v >= kIndexCurrentUser)
        index.currentUser = in.LengthString();
    if (v >= kIndexUserText2) {
        index.userText2 = in.LengthString();
        index.userFlag2 = in.Bool();
    }
    if (v >= kIndexNoGpuFlag)
        index.noGpuCompression = in.Bool();
    if (v >= kIndexBuildNumbers) {
        index.highestBuild = in.U32();
        index.lastWriterBuild = in.U32();
        if (index.lastWriterBuild < kVLXBuildNumber) {
            index.lastWriterBuild = kVLXBuildNumber;
            index.changeFlags |= kChangedRecords;
        }
    }
    if (v >= kIndexTimeStamp) {
        index.timeStamp = in.U64();
        if (context.now > index.timeStamp + kDayInTimeStampUnits) {
            index.timeStamp = context.now;
            index.changeFlags |= kChangedRecords;
        }
    }
    if (v >= kIndexSettingsSoup)
        ReadSoup(in, index.settings);
    ReadSoup(in, index.assetData);
    ReadPathEntries(in, index.pathEntries);
    if (v < kIndexValue64)
        in.U32();
    else
        index.value64 = in.U64();
    ReadDownloadStation(in, index.downloadStation, context);
    for (uint32_t& value : index.trailerValues)
        value = in.U32();
    ReadClientId(in, index, context);
    index.fullScanDone = in.Bool();
}

void WriteBody(IndexWriter& out, const VLXAssetIndex& index)
{
    WriteRecords(out, index);
    WriteKuidMap(out, index.obsoleteMap);
    WriteKuidMap(out, index.kuidMap2);
    WriteDependencies(out, index.dependencies);
    WriteAuthors(out, index.authors);
    WriteLog(out, index.log);
    out.LengthString(index.currentUser);
    out.LengthString(index.userText2);
    out.Bool(index.userFlag2);
    out.Bool(index.noGpuCompression);
    out.U32(std::max(index.highestBuild, kVLXBuildNumber));
    out.U32(kVLXBuildNumber);
    out.U64(index.timeStamp);
    WriteSoup(out, index.settings);
    WriteSoup(out, index.assetData);
    WritePathEntries(out, index.pathEntries);
    out.U64(index.value64);
    WriteDownloadStation(out, index.downloadStation);
    for (uint32_t value : index.trailerValues)
        out.U32(value);
    out.U32(kClientIdMagic);
    out.Bytes(index.clientId.data(), 8);
    out.Bool(index.fullScanDone);
}

}  // namespace

VLXIndexReadResult VLXReadIndex(std::span<uint8_t> image, VLXAssetIndex& index, const VLXIndexReadContext& context)
{
    VLXIndexReadResult result;
    index.Clear();
    IndexReader header(image);
    uint32_t magic = header.U32();
    result.version = header.U32();
    uint32_t size = header.U32();
    if (header.Failed())
        result.reason = "shorter than its header";
    else if (magic != kIndexMagic)
        result.reason = "wrong magic";
    else if (result.version < kIndexOldest || result.version > kIndexCurrent)
        result.reason = "unknown version";
    else if (size != image.size())
        result.reason = "size field differs from the file size";
    if (result.reason)
        return result;

    size_t bodyStart = 12;
    if (result.version >= kIndexScrambled) {
        uint32_t seed = header.U32();
        if (header.Failed()) {
            result.reason = "shorter than its header";
            return result;
        }
        bodyStart = 16;
        UnscrambleBody(image.subspan(bodyStart), seed, uint32_t(bodyStart));
    }
    IndexReader body(image.subspan(bodyStart));
    ReadBody(body, result.version, index, context, result);
    if (body.Failed()) {
        result.reason = body.Reason();
        result.arraySorted = false;
        index.Clear();
        return result;
    }
    result.ok = true;
    return result;
}

std::vector<uint8_t> VLXWriteIndex(const VLXAssetIndex& index, uint32_t seed)
{
    std::vector<uint8_t> image;
    image.reserve(64 + index.array.size() * 240);
    IndexWriter out(image);
    out.U32(kIndexMagic);
    out.U32(kIndexCurrent);
    out.U32(kIndexSizePlaceholder);
    out.U32(seed);
    WriteBody(out, index);
    out.Finish();
    out.PatchU32(8, uint32_t(image.size()));
    TStreamObfuscated::ScrambleBytes(image.data() + 16, image.size() - 16, seed, 16);
    return image;
}

uint64_t VLXWriteIndexPieces(const VLXAssetIndex& index, uint32_t seed,
                             const std::function<bool(std::span<const uint8_t>)>& write)
{
    // One piece is reused for the whole file: no image of the whole index is built in memory.
    std::vector<uint8_t> piece;
    piece.reserve(IndexWriter::kPieceBytes + 65536);
    IndexWriter out(piece, seed, write);
    out.U32(kIndexMagic);
    out.U32(kIndexCurrent);
    out.U32(kIndexSizePlaceholder);
    out.U32(seed);
    WriteBody(out, index);
    uint64_t size = out.Position();
    out.Finish();
    return out.Failed() ? 0 : size;
}
