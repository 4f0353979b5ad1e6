// Reading chunked soups: header and region validation, and the in-place views with their overlay.
#include <algorithm>
#include <cstring>

#include "engine/Codepage.h"
#include "soup/ChunkedSoup.h"
#include "soup/Stream.h"
#include "soup/TDBContainerTag.h"

namespace {

constexpr uint8_t kMagic[4] = {'A', 'C', 'S', '$'};
constexpr size_t kHeaderSize = 16;

uint32_t U32At(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Checks that a body is a region of well-formed records, nested at most kMaxSoupDepth deep.
bool ValidateBody(const std::vector<uint8_t>& body)
{
    struct Frame {
        uint32_t pos;
        uint32_t end;
        int depth;
    };
    std::vector<Frame> stack{{0, uint32_t(body.size()), 0}};
    while (!stack.empty()) {
        Frame& f = stack.back();
        uint32_t left = f.end - f.pos;
        if (left <= 5) {  // up to 5 stray bytes end a region
            stack.pop_back();
            continue;
        }
        uint32_t length = U32At(&body[f.pos]);
        uint32_t nameLength = body[f.pos + 4];
        if (length < nameLength + 2) return false;            // no room for name and type
        if (uint64_t(length) + 4 > left) return false;       // record overruns its region
        uint8_t type = body[f.pos + 5 + nameLength];
        uint32_t payload = f.pos + 6 + nameLength;
        uint32_t payloadEnd = f.pos + 4 + length;
        int depth = f.depth;
        f.pos = payloadEnd;
        if (type == 0) {
            if (depth + 1 > kMaxSoupDepth) return false;     // nested too deep to walk safely
            stack.push_back({payload, payloadEnd, depth + 1});
        }
    }
    return true;
}

ChunkKind KindOfType(uint8_t type)
{
    switch (type) {
    case 0: return ChunkKind::Container;
    case 1: return ChunkKind::Integer;
    case 2: return ChunkKind::Float;
    case 3: return ChunkKind::Text;
    case 4:
    case 12: return ChunkKind::Binary;
    case 13: return ChunkKind::KUID;
    default: return ChunkKind::Null;
    }
}

}  // namespace

TDBBinaryFile::~TDBBinaryFile() = default;

bool TDBBinaryFile::Accept(const uint8_t header[16], std::vector<uint8_t> body)
{
    m_body.clear();
    m_bodyLength = 0;
    if (std::memcmp(header, kMagic, 4) != 0) return false;
    m_version = U32At(header + 4);
    if (body.empty() || !ValidateBody(body)) return false;
    m_bodyLength = uint32_t(body.size());
    m_body = std::move(body);
    return true;
}

bool TDBBinaryFile::ReadFromBytes(std::span<const uint8_t> bytes)
{
    m_body.clear();
    m_bodyLength = 0;
    if (bytes.size() < kHeaderSize) return false;
    uint32_t length = U32At(bytes.data() + 12);
    if (std::memcmp(bytes.data(), kMagic, 4) != 0 || length == 0 || length > bytes.size() - kHeaderSize) return false;
    return Accept(bytes.data(), std::vector<uint8_t>(bytes.begin() + kHeaderSize, bytes.begin() + kHeaderSize + length));
}

bool TDBBinaryFile::ReadFromStream(TStream& stream)
{
    m_body.clear();
    m_bodyLength = 0;
    uint8_t header[kHeaderSize];
    if (stream.Read(header, kHeaderSize) != kHeaderSize) return false;
    uint32_t length = U32At(header + 12);
    if (std::memcmp(header, kMagic, 4) != 0 || length == 0) return false;
    if (stream.Length() < stream.Position() + int64_t(length)) return false;
    std::vector<uint8_t> body(length);
    if (stream.Read(body.data(), length) != length) return false;
    return Accept(header, std::move(body));
}

ChunkRef TDBBinaryFile::GetRoot()
{
    if (m_body.empty() || m_version > 1) return ACSChunk::NullRef();
    return ChunkRef(new TDBBinarySoup(CountedRef<TDBBinaryFile>(this), 0, m_bodyLength));
}

ChunkRef ReadChunkedSoup(std::span<const uint8_t> bytes)
{
    CountedRef<TDBBinaryFile> file(new TDBBinaryFile());
    if (!file->ReadFromBytes(bytes)) return ACSChunk::NullRef();
    return file->GetRoot();
}

// ---- Container views ----

TDBBinarySoup::TDBBinarySoup(CountedRef<TDBBinaryFile> file, uint32_t region, uint32_t length)
    : m_file(std::move(file)), m_region(region), m_length(length)
{
}

TDBBinarySoup::~TDBBinarySoup() { delete m_index.load(); }

TDBBinarySoup::Record TDBBinarySoup::ReadRecord(uint32_t offset) const
{
    const uint8_t* body = m_file->m_body.data();
    Record r;
    r.offset = offset;
    uint32_t length = U32At(body + offset);
    r.nameLength = body[offset + 4];
    r.type = body[offset + 5 + r.nameLength];
    r.payload = offset + 6 + r.nameLength;
    r.payloadLength = length - r.nameLength - 2;
    return r;
}

std::string_view TDBBinarySoup::RecordName(const Record& r) const
{
    if (r.nameLength == 0) return {};
    const char* name = reinterpret_cast<const char*>(m_file->m_body.data() + r.offset + 5);
    return {name, strnlen(name, r.nameLength)};
}

// Calls visit(record) for each record of the region that is not removed, until it returns false.
#define FOR_EACH_VISIBLE_RECORD(r, body)                                              \
    for (uint32_t pos_ = m_region, end_ = m_region + m_length; end_ - pos_ > 5;) {   \
        Record r = ReadRecord(pos_);                                                  \
        pos_ = r.payload + r.payloadLength;                                           \
        if (m_file->IsRemoved(r.payload, m_region)) continue;                         \
        body                                                                          \
    }

ChunkRef TDBBinarySoup::MakeChunk(const Record& r) const
{
    ChunkKind kind = KindOfType(r.type);
    if (kind == ChunkKind::Container) return ChunkRef(new TDBBinarySoup(m_file, r.payload, r.payloadLength));
    const uint8_t* data = m_file->m_body.data() + r.payload;
    uint32_t size = r.payloadLength;
    RawValue value;
    CountedRef<ReferenceCountMP> keepAlive(m_file.Get());
    switch (r.type) {
    case 3:
        if (m_file->m_version == 0) {
            // Old files hold Windows-1252 text; the value is the payload plus one NUL.
            std::string_view text(reinterpret_cast<const char*>(data), size);
            bool high = std::any_of(text.begin(), text.end(), [](char c) { return uint8_t(c) >= 0x80; });
            if (high) {
                std::string converted = Nox::Codepage::Windows1252ToUtf8(text);
                converted.push_back('\0');
                value = ACSRawDataCore::Copy(converted.data(), converted.size());
            } else {
                value = ACSRawDataCore::Create(size + 1);
                if (size) std::memcpy(value->MutableData(), data, size);
                value->MutableData()[size] = 0;
            }
        } else {
            value = ACSRawDataCore::Borrow(data, size, keepAlive);
        }
        break;
    case 12: {
        uint32_t padding = (16 - r.payload % 16) % 16;
        padding = std::min(padding, size);
        value = ACSRawDataCore::Borrow(data + padding, size - padding, keepAlive);
        break;
    }
    case 1:
    case 2:
    case 4:
    case 13: value = ACSRawDataCore::Borrow(data, size, keepAlive); break;
    default: break;  // null and unknown types carry no value
    }
    return ChunkRef(new TDBDataChunk(m_file, kind, std::move(value), r.payload));
}

const TDBBinarySoup::NameIndex* TDBBinarySoup::Index() const
{
    NameIndex* index = m_index.load(std::memory_order_acquire);
    if (index && index->generation == m_file->m_generation) return index;
    if (m_length < kIndexFromBytes || m_lookups.fetch_add(1, std::memory_order_relaxed) < 1) return nullptr;
    auto* fresh = new NameIndex{m_file->m_generation, {}};
    FOR_EACH_VISIBLE_RECORD(r, { fresh->first.emplace(RecordName(r), r.offset); })
    if (index) {
        // The overlay changed, so no other thread is reading this view now.
        m_index.store(fresh, std::memory_order_release);
        delete index;
        return fresh;
    }
    if (!m_index.compare_exchange_strong(index, fresh, std::memory_order_acq_rel)) {
        delete fresh;  // another thread published its index first
        return index;
    }
    return fresh;
}

ChunkRef TDBBinarySoup::GetChild(const Nox::PString& name) const
{
    std::string_view wanted = name.view();
    if (const NameIndex* index = Index()) {
        auto it = index->first.find(wanted);
        if (it != index->first.end()) return MakeChunk(ReadRecord(it->second));
    } else {
        FOR_EACH_VISIBLE_RECORD(r, {
            if (RecordName(r) == wanted) return MakeChunk(r);
        })
    }
    for (const auto& e : m_file->m_added)
        if (e.region == m_region && e.name == name) return e.child;
    return NullRef();
}

ChunkRef TDBBinarySoup::FindChild(const Nox::PString& name) const { return GetChild(name); }

const std::vector<uint32_t>& TDBBinarySoup::VisibleRecords() const
{
    if (m_visibleGeneration != m_file->m_generation) {
        m_visible.clear();
        FOR_EACH_VISIBLE_RECORD(r, { m_visible.push_back(r.offset); })
        m_visibleGeneration = m_file->m_generation;
    }
    return m_visible;
}

size_t TDBBinarySoup::AddedCount() const
{
    return size_t(std::count_if(m_file->m_added.begin(), m_file->m_added.end(),
                                [this](const auto& e) { return e.region == m_region; }));
}

const TDBBinaryFile::AddedEntry* TDBBinarySoup::AddedAt(size_t index) const
{
    for (const auto& e : m_file->m_added)
        if (e.region == m_region && index-- == 0) return &e;
    return nullptr;
}

size_t TDBBinarySoup::GetChildCount() const { return VisibleRecords().size() + AddedCount(); }

Nox::PString TDBBinarySoup::GetChildName(size_t index) const
{
    const auto& visible = VisibleRecords();
    if (index < visible.size()) return Nox::PString(RecordName(ReadRecord(visible[index])));
    const auto* added = AddedAt(index - visible.size());
    return added ? added->name : Nox::PString();
}

ChunkRef TDBBinarySoup::GetChildAt(size_t index) const
{
    const auto& visible = VisibleRecords();
    if (index < visible.size()) return MakeChunk(ReadRecord(visible[index]));
    const auto* added = AddedAt(index - visible.size());
    return added ? added->child : NullRef();
}

bool TDBBinarySoup::IsChildUnnamed(size_t index) const
{
    const auto& visible = VisibleRecords();
    if (index < visible.size()) return ReadRecord(visible[index]).nameLength == 0;
    const auto* added = AddedAt(index - visible.size());
    return added && added->unnamed;
}

void TDBBinarySoup::AddChild(const Nox::PString& name, const ChunkRef& chunk)
{
    if (!chunk) return;
    for (const auto& e : m_file->m_added)
        if (e.region == m_region && e.child == chunk) return;
    m_file->m_added.push_back({m_region, name, false, chunk});
    m_file->Touch();
}

void TDBBinarySoup::AddUnnamedChild(const ChunkRef& chunk)
{
    if (!chunk) return;
    for (const auto& e : m_file->m_added)
        if (e.region == m_region && e.child == chunk) return;
    m_file->m_added.push_back({m_region, Nox::PString(), true, chunk});
    m_file->Touch();
}

void TDBBinarySoup::RemoveChild(const ACSChunk* chunk)
{
    if (!chunk) return;
    auto& added = m_file->m_added;
    for (auto it = added.begin(); it != added.end(); ++it) {
        if (it->region == m_region && it->child.Get() == chunk) {
            added.erase(it);
            m_file->Touch();
            return;
        }
    }
    uint32_t payload;
    if (auto* soup = dynamic_cast<const TDBBinarySoup*>(chunk); soup && soup->m_file == m_file && soup->m_region != 0)
        payload = soup->m_region;
    else if (auto* data = dynamic_cast<const TDBDataChunk*>(chunk); data && data->File() == m_file.Get())
        payload = data->Payload();
    else
        return;
    FOR_EACH_VISIBLE_RECORD(r, {
        if (r.payload == payload) {
            m_file->m_removed.insert(TDBBinaryFile::RemovedKey(payload, m_region));
            m_file->Touch();
            return;
        }
    })
}

ChunkRef TDBBinarySoup::CreateChunk(ChunkKind kind, const RawValue& value) const
{
    return CreateMemoryChunk(kind, value);
}

bool TDBBinarySoup::IsSameTag(const ACSChunk* other) const
{
    auto* soup = dynamic_cast<const TDBBinarySoup*>(other);
    return soup && soup->m_file == m_file && soup->m_region == m_region;
}

#undef FOR_EACH_VISIBLE_RECORD

// ---- Data views ----

TDBDataChunk::TDBDataChunk(CountedRef<TDBBinaryFile> file, ChunkKind kind, RawValue value, uint32_t payload)
    : m_file(std::move(file)), m_kind(kind), m_value(std::move(value)), m_payload(payload)
{
}

ChunkRef TDBDataChunk::CreateChunk(ChunkKind, const RawValue&) const { return {}; }

bool TDBDataChunk::IsSameTag(const ACSChunk* other) const
{
    auto* data = dynamic_cast<const TDBDataChunk*>(other);
    return data && data->m_file == m_file && data->m_payload == m_payload;
}
