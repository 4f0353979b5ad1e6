// Category codes of an asset: derived from its configuration, and looked up as kinds and names.
#pragma once

#include <string>
#include <string_view>

class SoupRef;

// The codes of the first kind-table row whose kind equals `kind` and whose type expression is empty
// or matches `typeText` (a ";"-separated list such as "road;road"); empty when no row matches.
std::string_view VLXKindCodes(std::string_view kind, std::string_view typeText);

// The kind of the first kind-table row whose codes, read as a category expression, match `codes`;
// empty when none does.
std::string_view VLXKindForCodes(std::string_view codes);

// The category name for `codes`: the matching row of highest priority, the first on a tie; "misc"
// when nothing else matches.
std::string_view VLXCategoryName(std::string_view codes);

// The codes of the legacy category-class table for (kind, category-class); empty when no row
// matches. The class is compared ignoring case, and so is the kind unless the row or `kind` is empty.
std::string_view VLXLegacyCategoryCodes(std::string_view kind, std::string_view categoryClass);

// The `categoryClass` value of a record filled from `config`: legacy codes when they agree with
// the kind and the track flags, completed with the kind-table codes; otherwise the kind-table codes;
// then "#"-codes from custom-category-list.
std::string VLXComputeCategoryClass(const SoupRef& config);
