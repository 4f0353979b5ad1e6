// The three constant tables behind category codes: kinds, legacy category classes, category names.
#pragma once

#include <span>
#include <string_view>

struct VLXKindRow {
    std::string_view kind;     // lower case
    std::string_view typeExpr; // category expression over the type text; empty matches any type
    std::string_view codes;
};

struct VLXLegacyCategoryRow {
    std::string_view kind; // empty: any kind
    std::string_view categoryClass;
    std::string_view codes;
};

struct VLXCategoryNameRow {
    std::string_view codesExpr; // empty: always matches
    std::string_view name;
    int priority;
};

std::span<const VLXKindRow> VLXKindTable();
std::span<const VLXLegacyCategoryRow> VLXLegacyCategoryTable();
std::span<const VLXCategoryNameRow> VLXCategoryNameTable();
