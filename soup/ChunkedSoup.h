// The chunked binary soup format: the file, the in-place views over it, and the writer.
//
// File layout (all integers little-endian, no padding anywhere):
//   +0   4  magic "ACS$"
//   +4   4  format version: written 1; read 0 or 1 (0: strings in Windows-1252), else no root
//   +8   4  reserved: written 0, ignored
//   +12  4  body length B: must be > 0
//   +16  B  body: the records of the root container's children; bytes after it are ignored
//
// Record (a region is a plain sequence of records, one per child, in order):
//   +0   4  L: bytes that follow this field in the record
//   +4   1  N: name length including its NUL; 0 for a tag without a name
//   +5   N  name, NUL-terminated
//   +5+N 1  type code
//   +6+N L-N-2  payload
// Up to 5 trailing bytes at the end of a region are ignored. Names longer than 254 bytes are
// never written.
//
// Type  Payload                                              Kind
//   0   a region of child records                            Container
//   1   one or more int32                                    Integer
//   2   one or more IEEE 754 float32                         Float
//   3   text and NUL                                         Text
//   4   raw bytes                                            Binary
//   5   none (payload bytes ignored)                         Null
//  12   0-15 padding bytes up to a multiple of 16 counted    Binary (read only)
//       from the body start, then raw bytes
//  13   8 bytes: KUID::Pack                                  KUID
//  any other code reads as Null
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "soup/ACSChunk.h"

class TStream;

// An abstract soup file.
class ACSFile : public ReferenceCountMP {
public:
    ~ACSFile() override = default;
    // Reads the whole file from `bytes`; false (and no body) on any failure.
    virtual bool ReadFromBytes(std::span<const uint8_t> bytes) = 0;
    // Reads the header and body from a stream positioned at the file start.
    virtual bool ReadFromStream(TStream& stream) = 0;
    virtual void Write() {}
    virtual ChunkRef GetRoot() = 0;
};

class TDBBinarySoup;

// A loaded chunked file: the header fields, the validated body in one block, and the edit overlay
// that views write to (their region is never rewritten).
class TDBBinaryFile : public ACSFile {
public:
    TDBBinaryFile() = default;
    ~TDBBinaryFile() override;

    bool ReadFromBytes(std::span<const uint8_t> bytes) override;
    bool ReadFromStream(TStream& stream) override;
    // A view over the whole body, or the null chunk when there is no body or the version is
    // neither 0 nor 1.
    ChunkRef GetRoot() override;

    uint32_t Version() const { return m_version; }
    bool HasBody() const { return !m_body.empty(); }
    bool IsEdited() const { return m_edited; }

private:
    friend class TDBBinarySoup;
    friend class TDBDataChunk;

    struct AddedEntry {
        uint32_t region;  // region position of the parent
        Nox::PString name;
        bool unnamed;
        ChunkRef child;
    };
    static uint64_t RemovedKey(uint32_t payload, uint32_t region) { return (uint64_t(payload) << 32) | region; }
    bool IsRemoved(uint32_t payload, uint32_t region) const
    {
        return !m_removed.empty() && m_removed.count(RemovedKey(payload, region));
    }
    void Touch()
    {
        m_edited = true;
        ++m_generation;
    }

    // Takes the body when the header is sound and every region of it validates.
    bool Accept(const uint8_t header[16], std::vector<uint8_t> body);

    uint32_t m_version = 0;
    uint32_t m_bodyLength = 0;
    std::vector<uint8_t> m_body;
    std::vector<AddedEntry> m_added;
    std::unordered_set<uint64_t> m_removed;
    bool m_edited = false;
    uint64_t m_generation = 0;
};

// A container view: a region of the file body. Lookups scan the records in place.
class TDBBinarySoup : public ACSChunk {
public:
    TDBBinarySoup(CountedRef<TDBBinaryFile> file, uint32_t region, uint32_t length);
    ~TDBBinarySoup() override;

    ChunkRef GetChild(const Nox::PString& name) const override;
    ChunkRef FindChild(const Nox::PString& name) const override;
    size_t GetChildCount() const override;
    Nox::PString GetChildName(size_t index) const override;
    // Records the new child in the file's overlay, once per chunk and region.
    void AddChild(const Nox::PString& name, const ChunkRef& chunk) override;
    void AddUnnamedChild(const ChunkRef& chunk) override;
    // Drops an added child, or marks a record of this region as removed.
    void RemoveChild(const ACSChunk* chunk) override;
    ChunkRef CreateChunk(ChunkKind kind, const RawValue& value) const override;
    ChunkKind GetKind() const override { return ChunkKind::Container; }
    ChunkRef GetChildAt(size_t index) const override;
    bool IsChildUnnamed(size_t index) const override;
    bool IsSameTag(const ACSChunk* other) const override;

    uint32_t Region() const { return m_region; }
    const TDBBinaryFile* File() const { return m_file.Get(); }

private:
    struct Record {
        uint32_t offset;      // of the length field
        uint32_t nameLength;  // N
        uint32_t payload;     // position of the payload
        uint32_t payloadLength;
        uint8_t type;
    };
    Record ReadRecord(uint32_t offset) const;
    std::string_view RecordName(const Record& r) const;
    ChunkRef MakeChunk(const Record& r) const;
    // Positions of the visible records, rebuilt when the file's overlay changes.
    const std::vector<uint32_t>& VisibleRecords() const;
    size_t AddedCount() const;
    const TDBBinaryFile::AddedEntry* AddedAt(size_t index) const;

    // Name lookups scan the region; a view that is asked again over a large region builds an
    // index of the first visible record of each name, valid while the overlay is unchanged.
    struct NameIndex {
        uint64_t generation;
        std::unordered_map<std::string_view, uint32_t> first;
    };
    static constexpr uint32_t kIndexFromBytes = 4096;
    const NameIndex* Index() const;

    CountedRef<TDBBinaryFile> m_file;
    uint32_t m_region;
    uint32_t m_length;
    mutable std::atomic<uint32_t> m_lookups{0};
    mutable std::atomic<NameIndex*> m_index{nullptr};
    mutable std::vector<uint32_t> m_visible;
    mutable uint64_t m_visibleGeneration = UINT64_MAX;
};

// A data view: a value read in place from a record (a converted copy for version-0 strings).
class TDBDataChunk : public ACSChunk {
public:
    TDBDataChunk(CountedRef<TDBBinaryFile> file, ChunkKind kind, RawValue value, uint32_t payload);

    const uint8_t* GetData() const override { return m_value ? m_value->Data() : nullptr; }
    size_t GetDataSize() const override { return m_value ? m_value->Size() : 0; }
    ChunkKind GetKind() const override { return m_kind; }
    ChunkRef CreateChunk(ChunkKind kind, const RawValue& value) const override;
    RawValue GetValue() const override { return m_value; }
    bool IsSameTag(const ACSChunk* other) const override;

    uint32_t Payload() const { return m_payload; }
    const TDBBinaryFile* File() const { return m_file.Get(); }

private:
    CountedRef<TDBBinaryFile> m_file;
    ChunkKind m_kind;
    RawValue m_value;
    uint32_t m_payload;
};

// Reads a chunked soup held in memory: the root, or the null chunk when the bytes hold none.
ChunkRef ReadChunkedSoup(std::span<const uint8_t> bytes);
// Appends the chunked form of any ACSChunk tree (views, in-memory tags or both) to `out`.
void WriteChunkedSoup(const ACSChunk& root, std::vector<uint8_t>& out);
std::vector<uint8_t> WriteChunkedSoup(const ACSChunk& root);
// Writes the chunked form to a stream; false when the stream took fewer bytes.
bool WriteChunkedSoup(const ACSChunk& root, TStream& stream);
