// Kind-table, legacy-table and category-name look-ups over category codes.
#include "assetdb/CategoryClass.h"

#include "assetdb/CaseFolding.h"
#include "assetdb/CategoryExpression.h"
#include "assetdb/KindTables.h"
#include "soup/SoupRef.h"

std::string_view VLXKindCodes(std::string_view kind, std::string_view typeText)
{
    for (const VLXKindRow& row : VLXKindTable())
        if (row.kind == kind && (row.typeExpr.empty() || VLXMatchCategories(row.typeExpr, typeText)))
            return row.codes;
    return {};
}

std::string_view VLXKindForCodes(std::string_view codes)
{
    for (const VLXKindRow& row : VLXKindTable())
        if (VLXMatchCategories(row.codes, codes))
            return row.kind;
    return {};
}

std::string_view VLXCategoryName(std::string_view codes)
{
    const VLXCategoryNameRow* best = nullptr;
    for (const VLXCategoryNameRow& row : VLXCategoryNameTable())
        if ((best == nullptr || row.priority > best->priority) &&
            (row.codesExpr.empty() || VLXMatchCategories(row.codesExpr, codes)))
            best = &row;
    return best ? best->name : std::string_view{};
}

std::string_view VLXLegacyCategoryCodes(std::string_view kind, std::string_view categoryClass)
{
    for (const VLXLegacyCategoryRow& row : VLXLegacyCategoryTable())
        if (VLXEqualsFolded(row.categoryClass, categoryClass) &&
            (row.kind.empty() || kind.empty() || VLXEqualsFolded(row.kind, kind)))
            return row.codes;
    return {};
}

namespace {

// Tag names read from configurations, interned once.
struct CategoryTags {
    Nox::PString categoryClass{"category-class"}, kind{"kind"}, type{"type"}, trackside{"trackside"},
        istrack{"istrack"}, isroad{"isroad"}, tender{"tender"}, engine{"engine"},
        customCategoryList{"custom-category-list"};
};

const CategoryTags& Tags()
{
    static const CategoryTags tags;
    return tags;
}

// Appends `code` to a ";"-separated list unless the list already holds it.
void AddCode(std::string& codes, std::string_view code)
{
    if (code.empty() || VLXHasCategory(codes, code))
        return;
    if (!codes.empty())
        codes += ';';
    codes += code;
}

bool HasCode(std::string_view codes, std::string_view code) { return VLXHasCategory(codes, code); }

} // namespace

std::string VLXComputeCategoryClass(const SoupRef& config)
{
    const CategoryTags& tags = Tags();
    const std::string kind = VLXFoldLower(config.GetString(tags.kind));
    const std::string legacyClass = config.GetString(tags.categoryClass);
    std::string_view legacyCodes = legacyClass.empty() ? std::string_view{} : VLXLegacyCategoryCodes(kind, legacyClass);

    std::string typeText = VLXFoldLower(config.GetString(tags.type));
    if (typeText == "trackside")
        typeText.clear();
    const bool trackside = config.HasTag(tags.trackside) || kind == "mojunction" || kind == "speedboard" ||
                           kind == "signal";
    const bool isTrack = config.GetInt(tags.istrack, 0) != 0;
    if (isTrack)
        typeText += ";track";
    else if (config.GetInt(tags.isroad, 0) != 0)
        typeText += ";road";
    else if (trackside)
        typeText += ";trackside";
    else if (config.HasTag(tags.istrack))
        typeText += ";road";

    if (kind == "traincar") {
        if (config.GetInt(tags.tender, 0) != 0)
            typeText += ";tender";
        else if (config.GetInt(tags.engine, -1) == 1)
            typeText += ";locomotive";
        else
            typeText += ";rollingstock";
    }

    const std::string_view kindCodes = VLXKindCodes(kind, typeText);
    std::string result;
    if (!legacyCodes.empty()) {
        const std::string_view legacyKind = VLXKindForCodes(legacyCodes);
        const bool kindAgrees = legacyKind.empty() || legacyKind == kind;
        if (kindAgrees && HasCode(legacyCodes, "TO") == trackside && HasCode(legacyCodes, "TK") == isTrack) {
            result = legacyCodes;
            size_t start = 0;
            while (start < kindCodes.size()) {
                size_t end = kindCodes.find(';', start);
                if (end == std::string_view::npos)
                    end = kindCodes.size();
                AddCode(result, kindCodes.substr(start, end - start));
                start = end + 1;
            }
        }
    }
    if (result.empty())
        result = kindCodes;

    const std::string custom = config.GetString(tags.customCategoryList);
    if (!custom.empty() && custom.size() <= 64) {
        const std::string upper = VLXFoldUpper(custom);
        size_t start = 0;
        while (start < upper.size()) {
            size_t end = upper.find_first_of(";|", start);
            if (end == std::string::npos)
                end = upper.size();
            if (end > start)
                AddCode(result, "#" + upper.substr(start, end - start));
            start = end + 1;
        }
    }
    return result;
}
