// SoupRef: a counted reference to a soup root, with the typed getters and setters, copy, load and save.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/KUID.h"
#include "soup/ACSChunk.h"

class SoupRef {
public:
    SoupRef() = default;
    SoupRef(ChunkRef root) : m_root(std::move(root)) {}
    // A soup holding a new empty TDBContainerTag.
    static SoupRef NewContainer();

    bool IsEmpty() const { return !m_root; }
    explicit operator bool() const { return bool(m_root); }
    ACSChunk* Get() const { return m_root.Get(); }
    ACSChunk* operator->() const { return m_root.Get(); }
    const ChunkRef& Root() const { return m_root; }

    // Getters look at the first child of that name; a missing child is the null chunk.
    // The value converted to Integer when that is exactly 4 bytes, else the default.
    int32_t GetInt(const Nox::PString& name, int32_t defaultValue) const;
    bool GetBool(const Nox::PString& name, bool defaultValue) const;
    float GetFloat(const Nox::PString& name, float defaultValue) const;
    // Every 4-byte float of the value converted to Float (empty when there is none).
    std::vector<float> GetFloatList(const Nox::PString& name) const;
    // The value converted to Text, up to the first NUL; empty when there is none.
    std::string GetString(const Nox::PString& name) const;
    // The value converted to KUID; KUID::Null unless exactly 8 bytes.
    KUID GetKUID(const Nox::PString& name) const;
    // The child when it is a container, else an empty soup.
    SoupRef GetContainer(const Nox::PString& name) const;
    // The child itself (the null chunk when missing or when this soup is empty).
    ChunkRef GetTag(const Nox::PString& name) const;
    // True when the child exists and its kind is not Null.
    bool HasTag(const Nox::PString& name) const;
    size_t GetTagCount() const;
    Nox::PString GetTagName(size_t index) const;

    // An empty reference becomes a new empty TDBContainerTag.
    void EnsureContainer();
    // Each setter removes the first child of that name and appends the new tag: a replaced tag
    // moves to the end, and names stay unique.
    void SetInt(const Nox::PString& name, int32_t value);
    void SetBool(const Nox::PString& name, bool value);
    void SetFloat(const Nox::PString& name, float value);
    // An empty list only removes the existing tag.
    void SetFloatList(const Nox::PString& name, std::span<const float> values);
    // An empty text makes a Text tag without value.
    void SetString(const Nox::PString& name, std::string_view text);
    void SetKUID(const Nox::PString& name, const KUID& kuid);
    void SetNull(const Nox::PString& name);
    // Makes `soup` hold a container and adds that same container (shared, not copied).
    void SetContainer(const Nox::PString& name, SoupRef& soup);
    // Adds a tag of any kind with the setter rule.
    void SetTag(const Nox::PString& name, const ChunkRef& chunk);
    // Removes the first child of that name, if any.
    void RemoveTag(const Nox::PString& name);

    // Releases the root: the reference becomes empty.
    void Clear() { m_root.Reset(); }
    // A deep copy of `other` into a new container (values are copied, not shared).
    void CopyFrom(const SoupRef& other);

    // Reads a soup file by format: "txt" is the text format, "chump", "cdp" and "cdp2" the
    // chunked format. The extension is `extension` when given (a leading '.' is skipped), else
    // the text after the last '.' of the file name, compared without regard to case. `source`
    // is an engine source name, or empty for a plain path. False when the file cannot be opened
    // or the extension is unknown; a chunked file without root leaves the soup empty.
    bool Load(std::string_view source, std::string_view fileName, std::string_view extension = {});
    bool Load(std::string_view fileName) { return Load({}, fileName); }
    // Writes the soup by format; false for an unknown extension (the file is not touched) or
    // when the file cannot be created.
    bool Save(std::string_view source, std::string_view fileName, std::string_view extension = {}) const;
    bool Save(std::string_view fileName) const { return Save({}, fileName); }
    // The text form (with its byte-order mark) on standard output, followed by a line end.
    void Print() const;

    // Reads from bytes already in memory; the format is chosen as for Load.
    bool LoadFromBytes(std::span<const uint8_t> bytes, std::string_view fileNameOrExtension);

private:
    ChunkRef m_root;
};

// The format a file name selects, as Load and Save choose it.
enum class SoupFormat { Unknown, Text, Chunked };
SoupFormat SoupFormatFor(std::string_view fileName, std::string_view extension = {});
