// Typed access to soups, deep copies, and loading and saving by file extension.
#include "soup/SoupRef.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "engine/File.h"
#include "engine/TextFormat.h"
#include "soup/ACSConverter.h"
#include "soup/ChunkedSoup.h"
#include "soup/TDBContainerTag.h"
#include "soup/TextSoup.h"

namespace {

// The child's value converted to `kind`; empty when the child is missing or has none.
RawValue ChildValueAs(const ChunkRef& root, const Nox::PString& name, ChunkKind kind)
{
    if (!root) return {};
    ChunkRef child = root->GetChild(name);
    ChunkKind from = child->GetKind();
    if (from == ChunkKind::Container) return {};
    return ConvertValue(from, child->GetValue(), kind);
}

// The child's value converted to `kind` and read as a T; empty unless it has exactly T's size.
template <typename T>
std::optional<T> ChildScalar(const ChunkRef& root, const Nox::PString& name, ChunkKind kind)
{
    RawValue v = ChildValueAs(root, name, kind);
    if (!v || v->Size() != sizeof(T)) return std::nullopt;
    T result;
    std::memcpy(&result, v->Data(), sizeof(T));
    return result;
}

// Copies the value or the children of `from` into `to`, which has the same kind.
void CopyInto(ACSChunk& to, const ACSChunk& from)
{
    if (from.GetKind() != ChunkKind::Container) {
        RawValue value = from.GetValue();
        to.SetData(from.GetKind(), value ? ACSRawDataCore::Copy(value->Bytes()) : RawValue());
        return;
    }
    for (size_t i = to.GetChildCount(); i-- > 0;) to.RemoveChild(to.GetChildAt(i).Get());
    size_t count = from.GetChildCount();
    for (size_t i = 0; i < count; ++i) {
        ChunkRef child = from.GetChildAt(i);
        ChunkRef copy = to.CreateChunk(child->GetKind(), {});
        if (!copy) continue;
        CopyInto(*copy, *child);
        if (from.IsChildUnnamed(i)) to.AddUnnamedChild(copy);
        else to.AddChild(from.GetChildName(i), copy);
    }
}

}  // namespace

SoupRef SoupRef::NewContainer() { return SoupRef(ChunkRef(new TDBContainerTag())); }

int32_t SoupRef::GetInt(const Nox::PString& name, int32_t defaultValue) const
{
    return ChildScalar<int32_t>(m_root, name, ChunkKind::Integer).value_or(defaultValue);
}

bool SoupRef::GetBool(const Nox::PString& name, bool defaultValue) const
{
    return GetInt(name, defaultValue ? 1 : 0) != 0;
}

float SoupRef::GetFloat(const Nox::PString& name, float defaultValue) const
{
    return ChildScalar<float>(m_root, name, ChunkKind::Float).value_or(defaultValue);
}

std::vector<float> SoupRef::GetFloatList(const Nox::PString& name) const
{
    RawValue v = ChildValueAs(m_root, name, ChunkKind::Float);
    std::vector<float> result;
    if (!v) return result;
    result.resize(v->Size() / 4);
    if (!result.empty()) std::memcpy(result.data(), v->Data(), result.size() * 4);
    return result;
}

std::string SoupRef::GetString(const Nox::PString& name) const
{
    return std::string(TextOfValue(ChildValueAs(m_root, name, ChunkKind::Text)));
}

KUID SoupRef::GetKUID(const Nox::PString& name) const
{
    RawValue v = ChildValueAs(m_root, name, ChunkKind::KUID);
    if (!v || v->Size() != 8) return KUID::Null;
    return KUID::Unpack(v->Bytes());
}

SoupRef SoupRef::GetContainer(const Nox::PString& name) const
{
    if (!m_root) return {};
    ChunkRef child = m_root->GetChild(name);
    if (child->GetKind() != ChunkKind::Container) return {};
    return SoupRef(child);
}

ChunkRef SoupRef::GetTag(const Nox::PString& name) const
{
    return m_root ? m_root->GetChild(name) : ACSChunk::NullRef();
}

bool SoupRef::HasTag(const Nox::PString& name) const { return GetTag(name)->GetKind() != ChunkKind::Null; }

size_t SoupRef::GetTagCount() const { return m_root ? m_root->GetChildCount() : 0; }

Nox::PString SoupRef::GetTagName(size_t index) const { return m_root ? m_root->GetChildName(index) : Nox::PString(); }

void SoupRef::EnsureContainer()
{
    if (!m_root) m_root = ChunkRef(new TDBContainerTag());
}

void SoupRef::SetTag(const Nox::PString& name, const ChunkRef& chunk)
{
    EnsureContainer();
    m_root->ReplaceChild(name, chunk);
}

void SoupRef::RemoveTag(const Nox::PString& name)
{
    if (!m_root) return;
    ChunkRef old = m_root->FindChild(name);
    if (!old->IsNullChunk()) m_root->RemoveChild(old.Get());
}

namespace {
ChunkRef MakeTag(SoupRef& soup, ChunkKind kind, RawValue value)
{
    soup.EnsureContainer();
    return soup->CreateChunk(kind, value);
}
}  // namespace

void SoupRef::SetInt(const Nox::PString& name, int32_t value)
{
    SetTag(name, MakeTag(*this, ChunkKind::Integer, ACSRawDataCore::Copy(&value, 4)));
}

void SoupRef::SetBool(const Nox::PString& name, bool value) { SetInt(name, value ? 1 : 0); }

void SoupRef::SetFloat(const Nox::PString& name, float value)
{
    SetTag(name, MakeTag(*this, ChunkKind::Float, ACSRawDataCore::Copy(&value, 4)));
}

void SoupRef::SetFloatList(const Nox::PString& name, std::span<const float> values)
{
    if (values.empty()) {
        EnsureContainer();
        RemoveTag(name);
        return;
    }
    SetTag(name, MakeTag(*this, ChunkKind::Float, ACSRawDataCore::Copy(values.data(), values.size() * 4)));
}

void SoupRef::SetString(const Nox::PString& name, std::string_view text)
{
    SetTag(name, MakeTag(*this, ChunkKind::Text, text.empty() ? RawValue() : ACSRawDataCore::FromText(text)));
}

void SoupRef::SetKUID(const Nox::PString& name, const KUID& kuid)
{
    auto packed = kuid.Pack();
    SetTag(name, MakeTag(*this, ChunkKind::KUID, ACSRawDataCore::Copy(packed.data(), packed.size())));
}

void SoupRef::SetNull(const Nox::PString& name) { SetTag(name, MakeTag(*this, ChunkKind::Null, {})); }

void SoupRef::SetContainer(const Nox::PString& name, SoupRef& soup)
{
    soup.EnsureContainer();
    SetTag(name, soup.m_root);
}

void SoupRef::CopyFrom(const SoupRef& other)
{
    ChunkRef source = other.m_root;  // other may be this soup
    m_root = ChunkRef(new TDBContainerTag());
    if (source && source->GetChildCount()) CopyInto(*m_root, *source);
}

SoupFormat SoupFormatFor(std::string_view fileName, std::string_view extension)
{
    std::string_view ext = extension;
    if (!ext.empty()) {
        if (ext[0] == '.') ext.remove_prefix(1);
    } else {
        size_t dot = fileName.rfind('.');
        if (dot == std::string_view::npos) return SoupFormat::Unknown;
        ext = fileName.substr(dot + 1);
    }
    if (Nox::EqualsIgnoreCase(ext, "txt")) return SoupFormat::Text;
    if (Nox::EqualsIgnoreCase(ext, "chump") || Nox::EqualsIgnoreCase(ext, "cdp") || Nox::EqualsIgnoreCase(ext, "cdp2"))
        return SoupFormat::Chunked;
    return SoupFormat::Unknown;
}

namespace {
bool LoadBytes(SoupRef& soup, std::span<const uint8_t> bytes, SoupFormat format)
{
    if (format == SoupFormat::Text) {
        ReadTextSoup(soup, bytes);
        return true;
    }
    ChunkRef root = ReadChunkedSoup(bytes);
    soup = root->IsNullChunk() ? SoupRef() : SoupRef(root);
    return true;
}
}  // namespace

bool SoupRef::LoadFromBytes(std::span<const uint8_t> bytes, std::string_view fileNameOrExtension)
{
    SoupFormat format = SoupFormatFor(fileNameOrExtension);
    if (format == SoupFormat::Unknown) format = SoupFormatFor({}, fileNameOrExtension);
    if (format == SoupFormat::Unknown) return false;
    return LoadBytes(*this, bytes, format);
}

bool SoupRef::Load(std::string_view source, std::string_view fileName, std::string_view extension)
{
    SoupFormat format = SoupFormatFor(fileName, extension);
    if (format == SoupFormat::Unknown) return false;
    std::vector<uint8_t> bytes;
    bool read = source.empty() ? Nox::ReadAll(fileName, bytes) : Nox::ReadAll(source, fileName, bytes);
    if (!read) return false;
    return LoadBytes(*this, bytes, format);
}

bool SoupRef::Save(std::string_view source, std::string_view fileName, std::string_view extension) const
{
    SoupFormat format = SoupFormatFor(fileName, extension);
    if (format == SoupFormat::Unknown) return false;
    Nox::File file;
    unsigned mode = Nox::File::kCreate | Nox::File::kRead;
    int status = source.empty() ? file.Open(fileName, mode) : file.Open(source, fileName, mode);
    if (status != 0) return false;
    bool ok;
    if (format == SoupFormat::Text) {
        std::string text = WriteTextSoup(*this);
        ok = file.Write(text);
    } else {
        std::vector<uint8_t> bytes = m_root ? WriteChunkedSoup(*m_root) : WriteChunkedSoup(ACSChunk::Null());
        ok = file.Write(bytes.data(), bytes.size()) == bytes.size();
    }
    ok = file.Flush() && ok;
    file.Close();
    return ok;
}

void SoupRef::Print() const
{
    std::string text = WriteTextSoup(*this);
    text += "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}
