// Value conversions between soup kinds: the converter registry and ConvertValue.
#pragma once

#include <optional>
#include <string_view>

#include "soup/ACSRawDataCore.h"
#include "soup/ChunkKind.h"

// One conversion from a source kind to a target kind. Every instance registers itself in one
// process-wide list when it is constructed; the six standard converters are static objects.
class ACSConverter {
public:
    ACSConverter(ChunkKind from, ChunkKind to);
    virtual ~ACSConverter() = default;
    ACSConverter(const ACSConverter&) = delete;
    ACSConverter& operator=(const ACSConverter&) = delete;

    // The converted value, or an empty reference for "no value".
    virtual RawValue Convert(const RawValue& input) const = 0;

    ChunkKind From() const { return m_from; }
    ChunkKind To() const { return m_to; }

private:
    ChunkKind m_from;
    ChunkKind m_to;
};

// Equal kinds return the value unchanged; a Null source gives no value; otherwise the registered
// converter for the pair, else a chain of two through one intermediate kind, else no value.
RawValue ConvertValue(ChunkKind from, const RawValue& value, ChunkKind to);

// True for an optional '-', then a non-empty rest that, without trailing spaces and tabs, is
// digits with at most one '.', and at most one exponent ("e+" or "e-" and more) after the '.'.
bool IsNumericText(std::string_view text);
// C's "%d" on the text: leading white space, sign, digits; nothing read gives no result.
std::optional<int32_t> ScanInt(std::string_view text);
// C's "%f" on the text, rounded once to 32 bits; nothing read gives no result.
std::optional<float> ScanFloat(std::string_view text);
// The text of a Text value: its bytes up to the first NUL or the end.
std::string_view TextOfValue(const RawValue& value);
