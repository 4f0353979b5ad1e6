// Windows-1252 <-> UTF-8 conversion for texts written by older tools.
#pragma once

#include <string>
#include <string_view>

namespace Nox::Codepage {

// Every byte converts: 0x00-0x7F as ASCII, 0x80-0x9F through the Windows-1252
// table (the unassigned 0x81, 0x8D, 0x8F, 0x90, 0x9D to U+0081, U+008D,
// U+008F, U+0090, U+009D), 0xA0-0xFF to U+00A0-U+00FF.
std::string Windows1252ToUtf8(std::string_view text);

// Converts back; characters without a Windows-1252 byte, and bytes that are
// not valid UTF-8, become '?'. lossless (when given) tells whether none did.
std::string Utf8ToWindows1252(std::string_view text, bool* lossless = nullptr);

// True when the text is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

}  // namespace Nox::Codepage
