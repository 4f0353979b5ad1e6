// The converter registry, the six standard converters and ConvertValue.
#include "soup/ACSConverter.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/KUID.h"

namespace {

std::vector<const ACSConverter*>& Registry()
{
    static std::vector<const ACSConverter*> s_registry;
    return s_registry;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view SkipCSpace(std::string_view t)
{
    size_t i = 0;
    while (i < t.size() && IsCSpace(t[i])) ++i;
    return t.substr(i);
}

int32_t ReadInt32LE(const uint8_t* p)
{
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

}  // namespace

ACSConverter::ACSConverter(ChunkKind from, ChunkKind to) : m_from(from), m_to(to) { Registry().push_back(this); }

std::string_view TextOfValue(const RawValue& value)
{
    if (!value) return {};
    const char* text = reinterpret_cast<const char*>(value->Data());
    size_t size = value->Size();
    const void* nul = size ? std::memchr(text, 0, size) : nullptr;
    return {text, nul ? size_t(static_cast<const char*>(nul) - text) : size};
}

bool IsNumericText(std::string_view t)
{
    if (!t.empty() && t[0] == '-') t.remove_prefix(1);
    if (t.empty()) return false;
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    bool dot = false;
    for (size_t i = 0; i < t.size(); ++i) {
        char c = t[i];
        if (IsDigit(c)) continue;
        if (c == '.' && !dot) {
            dot = true;
            continue;
        }
        // An exponent ends the text: "e", a sign, then at least one digit and nothing else.
        if (c == 'e' && dot && i + 2 < t.size() && (t[i + 1] == '+' || t[i + 1] == '-')) {
            for (size_t j = i + 2; j < t.size(); ++j)
                if (!IsDigit(t[j])) return false;
            return true;
        }
        return false;
    }
    return true;
}

std::optional<int32_t> ScanInt(std::string_view t)
{
    t = SkipCSpace(t);
    bool negative = false;
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    if (t.empty() || !IsDigit(t[0])) return std::nullopt;
    // Like the C library: accumulate as a long, saturating, then keep the low 32 bits.
    uint64_t magnitude = 0;
    constexpr uint64_t kSaturated = uint64_t(INT64_MAX) + 1;  // beyond every long value
    for (char c : t) {
        if (!IsDigit(c)) break;
        const uint64_t digit = uint64_t(c - '0');
        magnitude = magnitude > (kSaturated - digit) / 10 ? kSaturated : magnitude * 10 + digit;
    }
    int64_t value;
    if (negative) value = magnitude > uint64_t(INT64_MAX) ? INT64_MIN : -int64_t(magnitude);
    else value = magnitude > uint64_t(INT64_MAX) ? INT64_MAX : int64_t(magnitude);
    return int32_t(uint32_t(uint64_t(value)));
}

std::optional<float> ScanFloat(std::string_view t)
{
    t = SkipCSpace(t);
    bool negative = false;
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    if (t.empty() || t[0] == '-' || t[0] == '+') return std::nullopt;
    float value = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (end == t.data()) return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // Out of range: strtof's overflow to infinity or underflow towards zero.
        std::string copy(t.data(), size_t(end - t.data()));
        value = std::strtof(copy.c_str(), nullptr);
    }
    return negative ? -value : value;
}

namespace {

class ConverterTextInt final : public ACSConverter {
public:
    ConverterTextInt() : ACSConverter(ChunkKind::Text, ChunkKind::Integer) {}
    RawValue Convert(const RawValue& in) const override
    {
        std::string_view text = TextOfValue(in);
        if (!IsNumericText(text)) return {};
        int32_t v = ScanInt(text).value_or(0);
        return ACSRawDataCore::Copy(&v, 4);
    }
};

class ConverterTextFloat final : public ACSConverter {
public:
    ConverterTextFloat() : ACSConverter(ChunkKind::Text, ChunkKind::Float) {}
    RawValue Convert(const RawValue& in) const override
    {
        std::string_view text = TextOfValue(in);
        if (!IsNumericText(text)) return {};
        float v = ScanFloat(text).value_or(0.0f);
        return ACSRawDataCore::Copy(&v, 4);
    }
};

class ConverterTextKUID final : public ACSConverter {
public:
    ConverterTextKUID() : ACSConverter(ChunkKind::Text, ChunkKind::KUID) {}
    RawValue Convert(const RawValue& in) const override
    {
        auto packed = KUID::Parse(TextOfValue(in), false).Pack();
        return ACSRawDataCore::Copy(packed.data(), packed.size());
    }
};

class ConverterIntText final : public ACSConverter {
public:
    ConverterIntText() : ACSConverter(ChunkKind::Integer, ChunkKind::Text) {}
    RawValue Convert(const RawValue& in) const override
    {
        if (!in || in->Size() < 4) return {};
        std::string text;
        char buffer[16];
        for (size_t i = 0; i + 4 <= in->Size(); i += 4) {
            if (i) text.push_back(',');
            auto r = std::to_chars(buffer, buffer + sizeof buffer, ReadInt32LE(in->Data() + i));
            text.append(buffer, r.ptr);
        }
        return ACSRawDataCore::FromText(text);
    }
};

class ConverterFloatText final : public ACSConverter {
public:
    ConverterFloatText() : ACSConverter(ChunkKind::Float, ChunkKind::Text) {}
    RawValue Convert(const RawValue& in) const override
    {
        if (!in || in->Size() < 4) return {};
        std::string text;
        char buffer[64];
        for (size_t i = 0; i + 4 <= in->Size(); i += 4) {
            if (i) text.push_back(',');
            float f;
            std::memcpy(&f, in->Data() + i, 4);
            int n = std::snprintf(buffer, sizeof buffer, "%g", double(f));
            text.append(buffer, size_t(n));
        }
        return ACSRawDataCore::FromText(text);
    }
};

class ConverterKUIDText final : public ACSConverter {
public:
    ConverterKUIDText() : ACSConverter(ChunkKind::KUID, ChunkKind::Text) {}
    RawValue Convert(const RawValue& in) const override
    {
        KUID kuid = (in && in->Size() >= 8) ? KUID::Unpack(in->Bytes().first(8)) : KUID::Null;
        return ACSRawDataCore::FromText(kuid.ToTagText());
    }
};

// Constructed at start-up, in this order, into the registry.
const ConverterTextInt s_textInt;
const ConverterTextFloat s_textFloat;
const ConverterTextKUID s_textKUID;
const ConverterIntText s_intText;
const ConverterFloatText s_floatText;
const ConverterKUIDText s_kuidText;

}  // namespace

RawValue ConvertValue(ChunkKind from, const RawValue& value, ChunkKind to)
{
    if (from == to) return value;
    if (from == ChunkKind::Null) return {};
    const auto& registry = Registry();
    for (const ACSConverter* c : registry)
        if (c->From() == from && c->To() == to) return c->Convert(value);
    for (const ACSConverter* first : registry) {
        if (first->From() != from) continue;
        for (const ACSConverter* second : registry) {
            if (second->From() == first->To() && second->To() == to) {
                RawValue middle = first->Convert(value);
                return middle ? second->Convert(middle) : RawValue();
            }
        }
    }
    return {};
}
