// Region and era code lists of an asset, derived from its configuration.
#include "assetdb/RegionEraLists.h"

#include "assetdb/CategoryExpression.h"
#include "assetdb/RegionTable.h"
#include "soup/SoupRef.h"

#include <cstdio>

namespace {

void AddRegion(std::string& list, std::string_view code)
{
    if (code.empty() || VLXHasCategory(list, code))
        return;
    if (!list.empty())
        list += ';';
    list += code;
}

Nox::PString NumberedTag(const char* prefix, int n)
{
    char name[48];
    std::snprintf(name, sizeof name, "%s%d", prefix, n);
    return Nox::PString(name);
}

bool AllDigits(std::string_view text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

int VLXBuildHundredths(float build)
{
    return static_cast<int>((static_cast<double>(build) + 0.005) * 100.0);
}

std::string VLXComputeRegionList(const SoupRef& config)
{
    static const Nox::PString kCategoryRegion("category-region"), kCategoryRegion0("category-region-0"),
        kRegion("region"), kOrigin("origin"), kBuild("velmar-build");

    if (config.HasTag(kCategoryRegion))
        return config.GetString(kCategoryRegion);

    std::string list;
    if (config.HasTag(kCategoryRegion0)) {
        for (int n = 0;; ++n) {
            const std::string value = config.GetString(NumberedTag("category-region-", n));
            if (value.empty())
                break;
            AddRegion(list, VLXRegionCode(value));
        }
        if (VLXBuildHundredths(config.GetFloat(kBuild, 0.0f)) < 250 && list == "TO")
            list = "00";
        return list;
    }
    if (config.HasTag(kRegion)) {
        const std::string value = config.GetString(kRegion);
        if (!value.empty() && value.front() == '<')
            return {};
        AddRegion(list, VLXRegionCode(value));
        return list;
    }
    if (config.HasTag(kOrigin))
        AddRegion(list, VLXRegionCode(config.GetString(kOrigin)));
    return list;
}

std::string VLXComputeEraList(const SoupRef& config)
{
    static const Nox::PString kCategoryEra("category-era");
    if (config.HasTag(kCategoryEra))
        return config.GetString(kCategoryEra);

    std::string list;
    for (int n = 0;; ++n) {
        const std::string value = config.GetString(NumberedTag("category-era-", n));
        if (value.empty())
            break;
        std::string_view era = value;
        while (!era.empty() && era.front() == ' ')
            era.remove_prefix(1);
        while (!era.empty() && era.back() == ' ')
            era.remove_suffix(1);
        if (!era.empty() && (era.back() == 's' || era.back() == 'S'))
            era.remove_suffix(1);
        if ((era.size() == 2 || era.size() == 4) && AllDigits(era)) {
            if (!list.empty())
                list += ';';
            list += era;
        }
    }
    return list;
}
