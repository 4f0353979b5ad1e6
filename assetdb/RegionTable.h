// Region table and region-code look-up.
#pragma once

#include <span>
#include <string>
#include <string_view>

struct VLXRegionRow {
    std::string_view code; // two characters, "00" for generic content
    std::string_view name;
};

// The 264 rows in search order.
std::span<const VLXRegionRow> VLXRegionTable();

// Region code of a text: the text itself when, upper-cased and without trailing spaces, it is the
// code of a row; otherwise the code of the first row whose name equals it ignoring case; otherwise
// the empty text.
std::string VLXRegionCode(std::string_view text);

// True when the first two characters of `expression` (compared exactly) are the code of a row.
bool VLXStartsWithRegionCode(std::string_view expression);
