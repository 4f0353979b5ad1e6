// Region-code look-up over the region table.
#include "assetdb/CaseFolding.h"
#include "assetdb/RegionTable.h"

std::string VLXRegionCode(std::string_view text)
{
    std::string upper = VLXFoldUpper(text);
    while (!upper.empty() && upper.back() == ' ')
        upper.pop_back();
    const auto table = VLXRegionTable();
    if (upper.size() == 2)
        for (const VLXRegionRow& row : table)
            if (row.code == upper)
                return upper;
    for (const VLXRegionRow& row : table)
        if (VLXEqualsFolded(row.name, upper))
            return std::string(row.code);
    return {};
}

bool VLXStartsWithRegionCode(std::string_view expression)
{
    if (expression.size() < 2)
        return false;
    const std::string_view head = expression.substr(0, 2);
    for (const VLXRegionRow& row : VLXRegionTable())
        if (row.code == head)
            return true;
    return false;
}
