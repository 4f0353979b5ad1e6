// Case-folding table of the asset database (ASCII and Latin-1 letters of UTF-8 text).
#include "assetdb/CaseFolding.h"

#include <algorithm>

namespace {

constexpr unsigned char kLatin1Lead = 0xC3;

// Second bytes of C3 xx sequences that are Latin-1 capitals (U+00C0..U+00DE without U+00D7).
constexpr bool IsLatin1UpperTail(unsigned char b) { return b >= 0x80 && b <= 0x9E && b != 0x97; }
constexpr bool IsLatin1LowerTail(unsigned char b) { return b >= 0xA0 && b <= 0xBE && b != 0xB7; }

// Folded byte at position i of `text` (lower case); looks at the previous byte for UTF-8 tails.
inline unsigned char LowerAt(std::string_view text, size_t i)
{
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 0x20);
    if (i > 0 && static_cast<unsigned char>(text[i - 1]) == kLatin1Lead && IsLatin1UpperTail(c))
        return static_cast<unsigned char>(c + 0x20);
    return c;
}

template <bool ToLower>
void FoldInPlace(std::string& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (ToLower) {
            if (c >= 'A' && c <= 'Z')
                text[i] = static_cast<char>(c + 0x20);
        } else {
            if (c >= 'a' && c <= 'z')
                text[i] = static_cast<char>(c - 0x20);
        }
        if (c == kLatin1Lead && i + 1 < text.size()) {
            const auto t = static_cast<unsigned char>(text[i + 1]);
            if (ToLower && IsLatin1UpperTail(t))
                text[i + 1] = static_cast<char>(t + 0x20);
            else if (!ToLower && IsLatin1LowerTail(t))
                text[i + 1] = static_cast<char>(t - 0x20);
            ++i;
        }
    }
}

} // namespace

void VLXFoldLowerInPlace(std::string& text) { FoldInPlace<true>(text); }
void VLXFoldUpperInPlace(std::string& text) { FoldInPlace<false>(text); }

std::string VLXFoldLower(std::string_view text)
{
    std::string out(text);
    VLXFoldLowerInPlace(out);
    return out;
}

std::string VLXFoldUpper(std::string_view text)
{
    std::string out(text);
    VLXFoldUpperInPlace(out);
    return out;
}

bool VLXEqualsFolded(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAt(a, i) != LowerAt(b, i))
            return false;
    return true;
}

int VLXCompareFolded(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = LowerAt(a, i), y = LowerAt(b, i);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool VLXContainsFolded(std::string_view haystack, std::string_view needle)
{
    if (needle.empty())
        return true;
    if (needle.size() > haystack.size())
        return false;
    const std::string foldedNeedle = VLXFoldLower(needle);
    for (size_t start = 0; start + needle.size() <= haystack.size(); ++start) {
        size_t k = 0;
        while (k < needle.size() &&
               LowerAt(haystack, start + k) == static_cast<unsigned char>(foldedNeedle[k]))
            ++k;
        if (k == needle.size())
            return true;
    }
    return false;
}
