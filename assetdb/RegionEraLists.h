// Region and era code lists of an asset, derived from its configuration.
#pragma once

#include <string>

class SoupRef;

// `regionList` of a record: category-region unchanged; else the codes of category-region-0, -1, …
// (a lone TO of an asset older than build 2.5 becomes 00); else the code of region (empty for a
// value starting with "<"); else the code of origin.
std::string VLXComputeRegionList(const SoupRef& config);

// `eraList` of a record: category-era unchanged; else the values of category-era-0, -1, … that,
// trimmed and without one trailing "s", are 2 or 4 digits, joined with ";".
std::string VLXComputeEraList(const SoupRef& config);

// Truncated hundredths of a build number as old configurations compare it: (build + 0.005) × 100.
int VLXBuildHundredths(float build);
