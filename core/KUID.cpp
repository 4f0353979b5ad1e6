// KUID parsing, validity, text forms and the two 8-byte binary forms.
#include "core/KUID.h"
#include "engine/TextFormat.h"

#include <fmt/format.h>

namespace {

// A cursor over the text that reads numbers the way C's "%d" does: leading white space skipped,
// an optional '+' or '-', one or more digits, the value wrapping modulo 2^32.
struct Scanner {
    std::string_view text;
    size_t pos = 0;

    static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    bool ReadInt(int32_t& out)
    {
        size_t p = pos;
        while (p < text.size() && IsSpace(text[p]))
            ++p;
        bool negative = false;
        if (p < text.size() && (text[p] == '+' || text[p] == '-'))
            negative = text[p++] == '-';
        if (p >= text.size() || !IsDigit(text[p]))
            return false;
        uint32_t value = 0;
        while (p < text.size() && IsDigit(text[p]))
            value = value * 10u + uint32_t(text[p++] - '0');
        out = int32_t(negative ? 0u - value : value);
        pos = p;
        return true;
    }

    bool Literal(char c)
    {
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }
};

// Reads "%d:%d" or "%d:%d:%d" into the fields; a number that cannot be read ends the scan and
// leaves it and every later field at its current value.
void ScanNumbers(std::string_view text, int32_t* fields[], int count)
{
    Scanner s{text};
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !s.Literal(':'))
            return;
        if (!s.ReadInt(*fields[i]))
            return;
    }
}

// Prefix match in which letters compare in either case and everything else exactly.
bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Nox::AsciiLower(text[i]) != Nox::AsciiLower(prefix[i]))
            return false;
    return true;
}

// Matches a shape written as a small pattern: 'm' optional '-', 'd' one or more digits, any other
// character itself. With `whole` the text must end where the pattern ends.
bool MatchesShape(std::string_view text, std::string_view pattern, bool whole)
{
    size_t p = 0;
    for (char want : pattern) {
        if (want == 'm') {
            if (p < text.size() && text[p] == '-')
                ++p;
        } else if (want == 'd') {
            size_t start = p;
            while (p < text.size() && Scanner::IsDigit(text[p]))
                ++p;
            if (p == start)
                return false;
        } else {
            if (p >= text.size() || text[p] != want)
                return false;
            ++p;
        }
    }
    return !whole || p == text.size();
}

bool OnlyDigitsAndMinus(std::string_view text)
{
    for (char c : text)
        if (!Scanner::IsDigit(c) && c != '-')
            return false;
    return true;
}

// Digits and '-' with exactly one ':'.
bool IsBarePair(std::string_view text)
{
    int colons = 0;
    for (char c : text) {
        if (c == ':')
            ++colons;
        else if (!Scanner::IsDigit(c) && c != '-')
            return false;
    }
    return colons == 1;
}

KUID ReadPair(std::string_view text)
{
    KUID k = KUID::Null;
    int32_t* fields[] = {&k.userId, &k.contentId};
    ScanNumbers(text, fields, 2);
    k.version = k.userId >= 0 ? 0 : 127;
    return k;
}

KUID ReadTriple(std::string_view text)
{
    KUID k = KUID::Null;
    int32_t* fields[] = {&k.userId, &k.contentId, &k.version};
    ScanNumbers(text, fields, 3);
    if (uint32_t(k.userId) > 0x1FFFFFFu)
        return KUID::Null;
    return k;
}

KUID ParseUnchecked(std::string_view text, bool strict)
{
    if (StartsWithNoCase(text, "<null>"))
        return KUID::Null;
    // The tagged forms: the text after the prefix, checked against its shape by the strict
    // parser, holds a pair (user, content) or a triple (user, content, version).
    static constexpr struct {
        std::string_view prefix;
        std::string_view shape;
        bool wholeShape;
        KUID (*read)(std::string_view);
    } kTaggedForms[] = {
        {"<kuid:", "md:d>", true, ReadPair},
        {"<kuid2:", "d:d:d>", true, ReadTriple},
        {"kuid:", "md:", false, ReadPair},
        {"kuid2:", "md:", false, ReadTriple},
    };
    for (const auto& form : kTaggedForms) {
        if (!StartsWithNoCase(text, form.prefix))
            continue;
        const std::string_view rest = text.substr(form.prefix.size());
        if (strict && !MatchesShape(rest, form.shape, form.wholeShape))
            return KUID::Null;
        return form.read(rest);
    }
    if (strict)
        return KUID::Null;

    if (!text.empty() && IsBarePair(text))
        return ReadPair(text);
    if (!text.empty() && text[0] == '<') {
        std::string_view inner = text.substr(1);
        if (!inner.empty() && inner.back() == '>')
            inner.remove_suffix(1);
        if (IsBarePair(inner))
            return ReadPair(text.substr(1));
    }
    if (OnlyDigitsAndMinus(text)) {
        KUID k = KUID::Null;
        int32_t* fields[] = {&k.contentId};
        ScanNumbers(text, fields, 1);
        return k;
    }
    return KUID::Null;
}

void PutLE32(uint8_t* out, uint32_t v)
{
    out[0] = uint8_t(v);
    out[1] = uint8_t(v >> 8);
    out[2] = uint8_t(v >> 16);
    out[3] = uint8_t(v >> 24);
}

uint32_t GetLE32(const uint8_t* in)
{
    return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

} // namespace

KUID KUID::Parse(const char* text, bool strict)
{
    if (!text)
        return Null;
    return Parse(std::string_view(text), strict);
}

KUID KUID::Parse(std::string_view text, bool strict)
{
    // The text is a C string to the parser: it ends at the first NUL.
    if (size_t nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    KUID k = ParseUnchecked(text, strict);
    return k.IsValid() ? k : Null;
}

bool KUID::IsValid() const
{
    uint32_t high = uint32_t(userId) & 0xFE000000u;
    bool userOk = high == 0 || (high == 0xFE000000u && version == 127);
    return userOk && uint32_t(version) <= 127u;
}

bool KUID::IsKuidForm() const
{
    return (version == 0 && userId >= 0) || (version == 127 && userId < 0);
}

std::string KUID::ToTagText() const
{
    if (IsNull())
        return "<NULL>";
    if (IsKuidForm())
        return fmt::format("<kuid:{}:{}>", userId, contentId);
    return fmt::format("<kuid2:{}:{}:{}>", userId, contentId, version);
}

std::string KUID::ToSpacedText() const
{
    if (IsNull())
        return "NULLKUID";
    if (IsKuidForm())
        return fmt::format("kuid {} {}", userId, contentId);
    return fmt::format("kuid2 {} {} {}", userId, contentId, version);
}

uint32_t KUID::PackedWord() const
{
    return (uint32_t(version) << 25) | (uint32_t(userId) & 0x1FFFFFFu);
}

KUID KUID::FromPackedWord(uint32_t word, int32_t contentId)
{
    // Top 7 bits are the version; the low 25 bits are the user number, sign-extended from bit 24.
    int32_t user = int32_t(word << 7) >> 7;
    return KUID(user, contentId, int32_t(word >> 25));
}

std::array<uint8_t, 8> KUID::Pack() const
{
    std::array<uint8_t, 8> out{};
    PutLE32(out.data(), PackedWord());
    PutLE32(out.data() + 4, uint32_t(contentId));
    return out;
}

KUID KUID::Unpack(std::span<const uint8_t> bytes)
{
    if (bytes.size() != 8)
        return Null;
    return FromPackedWord(GetLE32(bytes.data()), int32_t(GetLE32(bytes.data() + 4)));
}

std::array<uint8_t, 8> KUID::ToStreamBytes() const
{
    std::array<uint8_t, 8> out{};
    PutLE32(out.data(), uint32_t(contentId));
    PutLE32(out.data() + 4, PackedWord());
    return out;
}

KUID KUID::FromStreamBytes(std::span<const uint8_t> bytes)
{
    if (bytes.size() != 8)
        return Null;
    return FromPackedWord(GetLE32(bytes.data() + 4), int32_t(GetLE32(bytes.data())));
}
