// Filter elements: trees of conditions evaluated against asset records.
#pragma once

#include "assetdb/AssetIndex.h"
#include "assetdb/CategoryExpression.h"
#include "engine/PString.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// What a filter or query needs besides the record: the index (for versions, mapping tables and
// dependency states) and the installation root (for the archive state).
struct VLXQueryContext {
    VLXAssetIndex& index;
    std::string_view root;
};

// States of a record derived on demand (they may update cached bits of the record).
// Up to date: no record of the same user and content id has a higher version.
bool VLXIsUpToDate(const VLXAssetIndex& index, const VLXAssetRecord& record);
// Obsolete: KUID mapping table 1 maps the KUID to another one; cached in flags2 bit 7 for the
// current generation.
bool VLXIsObsolete(const VLXAssetIndex& index, VLXAssetRecord& record);
// In archive: the installed copy lies in a location that is an archive (<root>/<location>.ja);
// cached in flags bit 4 once flags bit 5 says it is known.
bool VLXIsInArchive(std::string_view root, VLXAssetRecord& record);

class VLXFilterElement {
public:
    virtual ~VLXFilterElement() = default;
    virtual std::string GetKey() const = 0;
    virtual std::string GetValue() const = 0;
    // Same key and same value text.
    virtual bool Equals(const VLXFilterElement& other) const;
    virtual bool Matches(const VLXQueryContext& context, VLXAssetRecord& record) const = 0;

    void SetNegate(bool negate) { negate_ = negate ? 1 : 0; }
    bool Negated() const { return negate_ != 0; }

protected:
    uint8_t negate_ = 0;  // only groups use it
};

enum class VLXBoolFilterKey : uint32_t {
    Local = 0,
    DownloadStation = 1,
    LocationUnknown = 2,
    LocallyAvailable = 3,
    UpToDate = 4,
    Obsolete = 5,
    LocallyModified = 6,
    ValidName = 7,
    OpenForEdit = 8,
    InArchive = 9,
    LocallyEnabled = 10,
    HasMissingDependencies = 11,
    HasFaultyDependencies = 12,
    Faulty = 13,
    FromDyebox = 14,
    Builtin = 15,
    ListingPrivilege = 16,
    Favorite = 17,
    Warnings = 18,
};

// One state of the record; the value text is always "true".
class VLXFilterElementBool : public VLXFilterElement {
public:
    explicit VLXFilterElementBool(uint32_t key) : key_(key) {}
    explicit VLXFilterElementBool(VLXBoolFilterKey key) : key_(uint32_t(key)) {}
    std::string GetKey() const override;
    std::string GetValue() const override { return "true"; }
    bool Matches(const VLXQueryContext& context, VLXAssetRecord& record) const override;

private:
    uint32_t key_;
};

enum class VLXStringFilterKey : uint32_t {
    AssetName = 0,
    CategoryList = 1,
    EraList = 2,
    KeywordList = 3,
    RegionList = 4,
};

// A text condition: a name search, a category/era/region expression, or a keyword expression.
// An asset-name value of more than one character between double quotes loses the quotes and asks
// for the whole name (ignoring case) instead of a part of it.
class VLXFilterElementString : public VLXFilterElement {
public:
    VLXFilterElementString(uint32_t key, std::string_view value);
    VLXFilterElementString(VLXStringFilterKey key, std::string_view value)
        : VLXFilterElementString(uint32_t(key), value) {}
    std::string GetKey() const override;
    std::string GetValue() const override { return value_.str(); }
    bool Matches(const VLXQueryContext& context, VLXAssetRecord& record) const override;
    bool Exact() const { return exact_; }

private:
    uint32_t key_;
    Nox::PString value_;
    bool exact_ = false;
    VLXCategoryMatcher codes_;  // the value parsed as a category expression
};

// A group of owned children, all of which (AND, the default) or any of which must match; an empty
// group matches unless negated. Negation inverts the result.
class VLXFilterElementGroup : public VLXFilterElement {
public:
    VLXFilterElementGroup() = default;
    explicit VLXFilterElementGroup(std::unique_ptr<VLXFilterElement> first);
    void AddChild(std::unique_ptr<VLXFilterElement> child) { children_.push_back(std::move(child)); }
    void SetAnd(bool isAnd) { and_ = isAnd; }
    bool IsAnd() const { return and_; }
    const std::vector<std::unique_ptr<VLXFilterElement>>& Children() const { return children_; }

    std::string GetKey() const override { return "group"; }
    // "(" then key ":" value of every child, then ")".
    std::string GetValue() const override;
    bool Equals(const VLXFilterElement& other) const override;
    bool Matches(const VLXQueryContext& context, VLXAssetRecord& record) const override;

private:
    bool and_ = true;
    std::vector<std::unique_ptr<VLXFilterElement>> children_;
};
