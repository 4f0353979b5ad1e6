// Case-folding table of the asset database: name ordering, name tests, region and kind look-ups.
#pragma once

#include <string>
#include <string_view>

// The table folds ASCII letters and the Latin-1 letters of UTF-8 text, nothing else:
//
//   upper                      lower
//   A..Z      (41..5A)         a..z      (61..7A)
//   U+00C0..U+00DE (C3 80..9E) U+00E0..U+00FE (C3 A0..BE)   except U+00D7 and U+00F7
//
// U+00DF (sharp s) and U+00FF (y with diaeresis) have no partner inside Latin-1 and stay as they
// are. Every other byte, including malformed UTF-8, is kept unchanged, so folding never changes
// the length of a text and byte order of folded texts is the order of their code points.

// Folds one text to lower case.
std::string VLXFoldLower(std::string_view text);
// Folds one text to upper case.
std::string VLXFoldUpper(std::string_view text);
// Folds in place (same rule, no allocation).
void VLXFoldLowerInPlace(std::string& text);
void VLXFoldUpperInPlace(std::string& text);

// True when both texts are equal after folding to lower case.
bool VLXEqualsFolded(std::string_view a, std::string_view b);
// True when `needle` occurs somewhere in `haystack`, both folded to lower case; an empty needle
// occurs everywhere.
bool VLXContainsFolded(std::string_view haystack, std::string_view needle);
// Three-way comparison of the lower-case folded texts, byte by byte (negative, 0, positive).
int VLXCompareFolded(std::string_view a, std::string_view b);
