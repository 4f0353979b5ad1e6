// Fuzz target: category, region and era derivation and the record fill over arbitrary configurations,
// and the parsed category matcher checked against the reference matcher.
#include "assetdb/CaseFolding.h"
#include "assetdb/CategoryClass.h"
#include "assetdb/CategoryExpression.h"
#include "assetdb/RecordFill.h"
#include "assetdb/RegionEraLists.h"
#include "assetdb/RegionTable.h"
#include "soup/TextSoup.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // First line: a category expression; second line: a code list.
    const size_t lineEnd = input.find('\n');
    const std::string_view expression = input.substr(0, lineEnd);
    const std::string_view rest = lineEnd == std::string_view::npos ? std::string_view() : input.substr(lineEnd + 1);
    const std::string_view codes = rest.substr(0, rest.find('\n'));
    if (VLXCategoryMatcher(expression).Matches(codes) != VLXMatchCategories(expression, codes))
        std::abort();
    VLXHasCategory(codes, expression);
    VLXMatchKeywords(codes, expression);

    const std::string region = VLXRegionCode(expression);
    if (!region.empty() && region.size() != 2)
        std::abort();
    if (VLXFoldUpper(input).size() != size || !VLXEqualsFolded(VLXFoldLower(input), VLXFoldUpper(input)))
        std::abort();
    VLXContainsFolded(input, codes);

    // The whole input as a configuration.
    SoupRef config;
    ReadTextSoup(config, std::span<const uint8_t>(data, size));
    VLXComputeCategoryClass(config);
    VLXComputeRegionList(config);
    VLXComputeEraList(config);
    VLXAssetRecord record;
    record.diskSize = 0;
    VLXFillRecordFromConfig(config, record, true, "/nonexistent");
    return 0;
}
