// Writing the text soup format: byte-order mark, CR LF lines, two-space indents, values at column 40.
#include <charconv>
#include <cstring>

#include "soup/ACSConverter.h"
#include "soup/Stream.h"
#include "soup/TextSoup.h"

namespace {

constexpr size_t kMaxWrittenName = 1024;
constexpr int kValueColumn = 40;

void Indent(std::string& out, int depth) { out.append(size_t(depth) * 2, ' '); }

// Bytes of 0x20 and below and of 0x80 and above become '_', capitals are lowered.
size_t AppendName(std::string& out, std::string_view name)
{
    name = name.substr(0, kMaxWrittenName);
    for (char ch : name) {
        uint8_t c = uint8_t(ch);
        if (c <= 0x20 || c >= 0x80) c = '_';
        else if (c >= 'A' && c <= 'Z') c = uint8_t(c - 'A' + 'a');
        out.push_back(char(c));
    }
    return name.size();
}

// The value as Text, as ConvertValue gives it; false when it converts to nothing.
bool ValueText(const ACSChunk& tag, std::string& text)
{
    text.clear();
    ChunkKind kind = tag.GetKind();
    const uint8_t* data = tag.GetData();
    size_t size = tag.GetDataSize();
    char buffer[64];
    switch (kind) {
    case ChunkKind::Integer:
        for (size_t i = 0; i + 4 <= size; i += 4) {
            int32_t v;
            std::memcpy(&v, data + i, 4);
            if (i) text.push_back(',');
            text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
        }
        return size >= 4;
    case ChunkKind::Float:
        // The same digits as "%g": six significant, exponent of at least two digits.
        for (size_t i = 0; i + 4 <= size; i += 4) {
            float v;
            std::memcpy(&v, data + i, 4);
            if (i) text.push_back(',');
            text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 6).ptr);
        }
        return size >= 4;
    case ChunkKind::Text: {
        if (!data) return false;
        const void* nul = std::memchr(data, 0, size);
        text.assign(reinterpret_cast<const char*>(data), nul ? size_t(static_cast<const uint8_t*>(nul) - data) : size);
        return true;
    }
    default: {
        RawValue converted = ConvertValue(kind, tag.GetValue(), ChunkKind::Text);
        if (!converted) return false;
        text.assign(TextOfValue(converted));
        return true;
    }
    }
}

class TextSoupWriter {
public:
    explicit TextSoupWriter(std::string& out) : m_out(out) {}

    void Children(const ACSChunk& container, int depth)
    {
        size_t count = container.GetChildCount();
        for (size_t i = 0; i < count; ++i) {
            ChunkRef child = container.GetChildAt(i);
            if (child->GetKind() == ChunkKind::Container && i != 0) {
                Indent(m_out, depth);
                m_out += "\r\n";
            }
            Tag(container.GetChildName(i).view(), *child, depth);
            m_out += "\r\n";
        }
    }

private:
    void Tag(std::string_view name, const ACSChunk& tag, int depth)
    {
        Indent(m_out, depth);
        size_t nameLength = AppendName(m_out, name);
        ChunkKind kind = tag.GetKind();
        if (kind == ChunkKind::Container) {
            m_out += "\r\n";
            Indent(m_out, depth);
            m_out += "{\r\n";
            Children(tag, depth + 1);
            Indent(m_out, depth);
            m_out += "}";
            return;
        }
        if (!ValueText(tag, m_value) || m_value.empty()) return;  // the name alone
        int pad = kValueColumn - 2 * depth - int(nameLength);
        m_out.append(size_t(pad < 1 ? 1 : pad), ' ');
        bool quote = (kind != ChunkKind::Float && kind != ChunkKind::Integer && kind != ChunkKind::KUID) ||
                     m_value.find_first_of(" \t\r\n") != std::string::npos;
        if (quote) m_out.push_back('"');
        size_t at = m_out.size();
        m_out += m_value;
        for (size_t i = at; i < m_out.size(); ++i)
            if (m_out[i] == '"') m_out[i] = '\'';
        if (quote) m_out.push_back('"');
    }

    std::string& m_out;
    std::string m_value;
};

}  // namespace

void WriteTextSoup(const ACSChunk& root, std::string& out)
{
    out += "\xEF\xBB\xBF\r\n";
    TextSoupWriter(out).Children(root, 0);
}

std::string WriteTextSoup(const SoupRef& soup)
{
    std::string out;
    WriteTextSoup(soup ? *soup.Get() : ACSChunk::Null(), out);
    return out;
}

bool WriteTextSoup(const SoupRef& soup, TStream& stream)
{
    std::string text = WriteTextSoup(soup);
    return stream.Write(text.data(), text.size()) == text.size();
}
