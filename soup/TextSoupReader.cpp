// Reading the text soup format: a lenient, line-oriented parser over the whole file in memory.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/Codepage.h"
#include "engine/TextFormat.h"
#include "soup/ACSConverter.h"
#include "soup/Stream.h"
#include "soup/TDBContainerTag.h"
#include "soup/TDBDataTag.h"
#include "soup/TextSoup.h"

namespace {

constexpr size_t kMaxNameLength = 511;
constexpr size_t kMaxIntegerText = 31;
constexpr size_t kMaxFloatListText = 255;

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
bool IsBlank(uint8_t c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(uint8_t c) { return c == '\r' || c == '\n'; }

// Interning a name takes the process-wide cache lock; a config repeats few names many times, so
// each reader keeps the names it met last in a small direct-mapped table.
class NameCache {
public:
    const Nox::PString& Get(std::string_view text)
    {
        uint32_t hash = 2166136261u;  // FNV-1a
        for (char c : text) hash = (hash ^ uint8_t(c)) * 16777619u;
        Nox::PString& slot = m_slots[hash % kSlots];
        if (slot.view() != text) slot = Nox::PString(text);
        return slot;
    }

private:
    static constexpr size_t kSlots = 1024;
    Nox::PString m_slots[kSlots];
};

class TextSoupReader {
public:
    TextSoupReader(const uint8_t* begin, const uint8_t* end) : m_p(begin), m_end(end) {}

    ChunkRef Read();

private:
    struct Frame {
        CountedRef<TDBContainerTag> container;  // empty while skipping a too-deep container
        Nox::PString name;
    };

    int Peek() const { return m_p < m_end ? *m_p : -1; }
    void SkipBlanks()
    {
        while (m_p < m_end && IsBlank(*m_p)) ++m_p;
    }
    void SkipSpace()
    {
        while (m_p < m_end && (IsBlank(*m_p) || IsLineEnd(*m_p))) ++m_p;
    }
    const uint8_t* LineEnd(const uint8_t* from) const
    {
        const uint8_t* p = from;
        while (p < m_end && !IsLineEnd(*p)) ++p;
        return p;
    }

    const Nox::PString& ReadName();
    void Store(const Nox::PString& name, ChunkKind kind, std::span<const uint8_t> bytes);
    void StoreNoValue(const Nox::PString& name, ChunkKind kind);
    void OpenContainer(const Nox::PString& name);
    void CloseContainer();
    void ReadQuoted(const Nox::PString& name);
    void ReadUnquoted(const Nox::PString& name, const uint8_t* lineEnd);
    void ReadNumber(const Nox::PString& name, const uint8_t* runEnd, bool isFloat, const uint8_t* lineEnd);
    void ReadFloatList(const Nox::PString& name, const uint8_t* lineEnd);
    void StoreString(const Nox::PString& name, std::string_view value);

    const uint8_t* m_p;
    const uint8_t* m_end;
    bool m_utf8 = false;
    std::vector<Frame> m_stack;
    NameCache m_names;
    std::string m_scratch;
    std::string m_value;
};

const Nox::PString& TextSoupReader::ReadName()
{
    const uint8_t* start = m_p;
    bool capitals = false;
    while (m_p < m_end) {
        uint8_t c = *m_p;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0' || c == '}') break;
        capitals |= (c >= 'A' && c <= 'Z');
        ++m_p;
    }
    size_t length = std::min(size_t(m_p - start), kMaxNameLength);
    std::string_view name(reinterpret_cast<const char*>(start), length);
    if (!capitals) return m_names.Get(name);
    m_scratch.assign(name);
    for (char& c : m_scratch)
        c = Nox::AsciiLower(c);
    return m_names.Get(m_scratch);
}

void TextSoupReader::Store(const Nox::PString& name, ChunkKind kind, std::span<const uint8_t> bytes)
{
    TDBContainerTag* container = m_stack.back().container.Get();
    if (!container) return;
    container->ReplaceChild(name, ChunkRef(new TDBDataTag(kind, bytes)));
}

void TextSoupReader::StoreNoValue(const Nox::PString& name, ChunkKind kind)
{
    TDBContainerTag* container = m_stack.back().container.Get();
    if (!container) return;
    container->ReplaceChild(name, ChunkRef(new TDBDataTag(kind, RawValue())));
}

void TextSoupReader::OpenContainer(const Nox::PString& name)
{
    Frame frame{{}, name};
    if (int(m_stack.size()) <= kMaxSoupDepth && m_stack.back().container)
        frame.container = CountedRef<TDBContainerTag>(new TDBContainerTag());
    m_stack.push_back(std::move(frame));
}

void TextSoupReader::CloseContainer()
{
    Frame frame = std::move(m_stack.back());
    m_stack.pop_back();
    if (!frame.container) return;
    frame.container->Compact();
    if (TDBContainerTag* parent = m_stack.back().container.Get()) parent->ReplaceChild(frame.name, frame.container);
}

void TextSoupReader::StoreString(const Nox::PString& name, std::string_view value)
{
    if (value.empty()) {
        StoreNoValue(name, ChunkKind::Text);
        return;
    }
    // A value that starts like a KUID and names at most one becomes a KUID tag.
    if (value[0] == '<' && value.size() >= 6) {
        auto startsWith = [&](std::string_view prefix) {
            if (value.size() < prefix.size()) return false;
            for (size_t i = 0; i < prefix.size(); ++i) {
                char c = value[i];
                if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
                if (c != prefix[i]) return false;
            }
            return true;
        };
        if (startsWith("<KUID:") || startsWith("<KUID2:") || startsWith("<NULL>")) {
            size_t occurrences = 0;
            for (size_t at = value.find("<kuid"); at != std::string_view::npos; at = value.find("<kuid", at + 1)) {
                std::string_view rest = value.substr(at);
                if (rest.starts_with("<kuid:") || rest.starts_with("<kuid2:")) ++occurrences;
            }
            if (occurrences <= 1) {
                auto packed = KUID::Parse(value, false).Pack();
                Store(name, ChunkKind::KUID, packed);
                return;
            }
        }
    }
    TDBContainerTag* container = m_stack.back().container.Get();
    if (!container) return;
    if (!m_utf8 && std::any_of(value.begin(), value.end(), [](char c) { return uint8_t(c) >= 0x80; })) {
        std::string converted = Nox::Codepage::Windows1252ToUtf8(value);
        container->ReplaceChild(name, TDBDataTag::MakeText(converted));
        return;
    }
    container->ReplaceChild(name, TDBDataTag::MakeText(value));
}

void TextSoupReader::ReadQuoted(const Nox::PString& name)
{
    ++m_p;  // opening quote
    const uint8_t* start = m_p;
    const uint8_t* close = static_cast<const uint8_t*>(std::memchr(m_p, '"', size_t(m_end - m_p)));
    const uint8_t* stop = close ? close : m_end;
    m_p = close ? close + 1 : m_end;
    std::string_view raw(reinterpret_cast<const char*>(start), size_t(stop - start));
    if (raw.find_first_of("\r\n") == std::string_view::npos) {
        StoreString(name, raw);
        return;
    }
    // Every line break inside the quotes (CR, LF, CR LF or LF CR) is stored as CR LF.
    m_value.clear();
    for (size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '\r' || c == '\n') {
            if (i + 1 < raw.size() && (raw[i + 1] == '\r' || raw[i + 1] == '\n') && raw[i + 1] != c) ++i;
            m_value += "\r\n";
        } else {
            m_value.push_back(c);
        }
    }
    StoreString(name, m_value);
}

void TextSoupReader::ReadUnquoted(const Nox::PString& name, const uint8_t* lineEnd)
{
    const uint8_t* brace = static_cast<const uint8_t*>(std::memchr(m_p, '}', size_t(lineEnd - m_p)));
    const uint8_t* stop = brace ? brace : lineEnd;
    std::string_view raw(reinterpret_cast<const char*>(m_p), size_t(stop - m_p));
    m_p = stop;
    if (raw.find('\\') == std::string_view::npos) {
        StoreString(name, raw);
        return;
    }
    // The two characters backslash and n stand for a line break.
    m_value.clear();
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == 'n') {
            m_value += "\r\n";
            ++i;
        } else {
            m_value.push_back(raw[i]);
        }
    }
    StoreString(name, m_value);
}

void TextSoupReader::ReadNumber(const Nox::PString& name, const uint8_t* runEnd, bool isFloat, const uint8_t* lineEnd)
{
    std::string_view run(reinterpret_cast<const char*>(m_p), size_t(runEnd - m_p));
    m_p = lineEnd;
    if (isFloat) {
        float value = ScanFloat(run).value_or(0.0f);
        Store(name, ChunkKind::Float, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(&value), 4));
    } else {
        int32_t value = ScanInt(run.substr(0, kMaxIntegerText)).value_or(0);
        Store(name, ChunkKind::Integer, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(&value), 4));
    }
}

void TextSoupReader::ReadFloatList(const Nox::PString& name, const uint8_t* lineEnd)
{
    size_t length = std::min(size_t(lineEnd - m_p), kMaxFloatListText);
    std::string_view text(reinterpret_cast<const char*>(m_p), length);
    m_p = lineEnd;
    float values[kMaxFloatListText];
    size_t count = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t stop = text.find_first_of(" ,", start);
        if (stop == std::string_view::npos) stop = text.size();
        if (stop > start)
            if (auto v = ScanFloat(text.substr(start, stop - start))) values[count++] = *v;
        start = stop + 1;
    }
    if (count == 0) {
        if (TDBContainerTag* container = m_stack.back().container.Get()) {
            ChunkRef old = container->FindChild(name);
            if (!old->IsNullChunk()) container->RemoveChild(old.Get());
        }
        return;
    }
    Store(name, ChunkKind::Float, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(values), count * 4));
}

ChunkRef TextSoupReader::Read()
{
    if (m_end - m_p >= 3 && m_p[0] == 0xEF && m_p[1] == 0xBB && m_p[2] == 0xBF) {
        m_utf8 = true;
        m_p += 3;
    }
    CountedRef<TDBContainerTag> root(new TDBContainerTag());
    m_stack.push_back({root, {}});
    for (;;) {
        SkipSpace();
        if (m_p == m_end) break;
        if (*m_p == '}') {
            ++m_p;
            // A stray '}' at the top level closes nothing; the rest of the file is still read.
            if (m_stack.size() > 1) CloseContainer();
            continue;
        }
        // Valid until the next ReadName: every branch below stores or copies it before that.
        const Nox::PString& name = ReadName();
        SkipBlanks();
        int c = Peek();
        if (c == -1 || c == '}') {
            StoreNoValue(name, ChunkKind::Null);
        } else if (IsLineEnd(uint8_t(c))) {
            const uint8_t* eol = m_p;
            SkipSpace();
            if (Peek() == '{') {
                ++m_p;
                OpenContainer(name);
            } else {
                m_p = eol;
                StoreNoValue(name, ChunkKind::Null);
            }
        } else if (c == '{') {
            ++m_p;
            OpenContainer(name);
        } else if (c == '"') {
            ReadQuoted(name);
        } else {
            const uint8_t* lineEnd = LineEnd(m_p);
            // A number: an optional '-', digits and '.', then only blanks to the line end.
            const uint8_t* q = m_p;
            if (*q == '-') ++q;
            bool dot = false;
            while (q < lineEnd && (IsDigit(*q) || *q == '.')) dot |= (*q++ == '.');
            const uint8_t* runEnd = q;
            while (q < lineEnd && IsBlank(*q)) ++q;
            if (q == lineEnd && runEnd > m_p) {
                ReadNumber(name, runEnd, dot, lineEnd);
                continue;
            }
            bool list = std::all_of(m_p, lineEnd, [](uint8_t b) {
                return IsDigit(b) || b == ' ' || b == '\t' || b == ',' || b == '-' || b == '.';
            });
            if (list) ReadFloatList(name, lineEnd);
            else ReadUnquoted(name, lineEnd);
        }
    }
    while (m_stack.size() > 1) CloseContainer();
    root->Compact();
    return ChunkRef(root);
}

}  // namespace

void ReadTextSoup(SoupRef& soup, std::span<const uint8_t> bytes)
{
    soup.Clear();
    soup = SoupRef(TextSoupReader(bytes.data(), bytes.data() + bytes.size()).Read());
}

void ReadTextSoup(SoupRef& soup, TStream& stream)
{
    int64_t left = stream.Length() - stream.Position();
    std::vector<uint8_t> bytes(left > 0 ? size_t(left) : 0);
    bytes.resize(bytes.empty() ? 0 : stream.Read(bytes.data(), bytes.size()));
    ReadTextSoup(soup, bytes);
}
