// Filter elements: Bool states, text conditions and groups, and the derived states they test.
#include "assetdb/AssetFilter.h"

#include "assetdb/CaseFolding.h"
#include "assetdb/CategoryExpression.h"
#include "assetdb/DependencyStates.h"
#include "engine/File.h"

namespace {

constexpr const char* kBoolKeyNames[] = {
    "local", "download-station", "location-unknown", "locally-available", "up-to-date", "obsolete",
    "locally-modified", "valid-name", "open-for-edit", "in-archive", "locally-enabled",
    "has-missing-dependencies", "has-faulty-dependencies", "faulty", "from-dyebox", "builtin",
    "listing-privilege", "favorite", "warnings",
};

constexpr const char* kStringKeyNames[] = {"asset-name", "category-list", "era-list", "keyword-list", "region-list"};

} // namespace

bool VLXIsUpToDate(const VLXAssetIndex& index, const VLXAssetRecord& record)
{
    for (int32_t version = 127; version > record.kuid.version; --version)
        if (index.Lookup(KUID(record.kuid.userId, record.kuid.contentId, version)))
            return false;
    return true;
}

bool VLXIsObsolete(const VLXAssetIndex& index, VLXAssetRecord& record)
{
    if (record.obsoleteGeneration != index.generation) {
        const VLXKuidMapEntry* entry = index.obsoleteMap.Find(record.kuid);
        if (entry && entry->target != record.kuid)
            record.flags2 |= kFlag2Obsolete;
        else
            record.flags2 &= uint8_t(~kFlag2Obsolete);
        record.obsoleteGeneration = index.generation;
    }
    return (record.flags2 & kFlag2Obsolete) != 0;
}

bool VLXIsInArchive(std::string_view root, VLXAssetRecord& record)
{
    if (!(record.flags & kFlagArchiveKnown)) {
        bool inArchive = false;
        if (!record.installedPath.empty() && !record.location.empty()) {
            std::string archive(root);
            if (!archive.empty() && archive.back() != '/')
                archive += '/';
            archive += record.location;
            archive += ".ja";
            inArchive = Nox::File::Exists(archive) == 0;
        }
        record.flags = uint8_t((record.flags & ~kFlagInArchive) | (inArchive ? kFlagInArchive : 0) | kFlagArchiveKnown);
    }
    return (record.flags & kFlagInArchive) != 0;
}

bool VLXFilterElement::Equals(const VLXFilterElement& other) const
{
    return GetKey() == other.GetKey() && GetValue() == other.GetValue();
}

std::string VLXFilterElementBool::GetKey() const
{
    return key_ < std::size(kBoolKeyNames) ? kBoolKeyNames[key_] : "unknown";
}

bool VLXFilterElementBool::Matches(const VLXQueryContext& context, VLXAssetRecord& record) const
{
    switch (VLXBoolFilterKey(key_)) {
    case VLXBoolFilterKey::Local: return record.IsLocal();
    case VLXBoolFilterKey::DownloadStation: return record.IsOnDownloadStation() && !record.IsLocal();
    case VLXBoolFilterKey::LocationUnknown: return !record.IsLocal() && !record.IsOnDownloadStation();
    case VLXBoolFilterKey::LocallyAvailable: return record.IsLocallyAvailable();
    case VLXBoolFilterKey::UpToDate: return VLXIsUpToDate(context.index, record);
    case VLXBoolFilterKey::Obsolete: return VLXIsObsolete(context.index, record);
    case VLXBoolFilterKey::LocallyModified: return record.IsLocallyModified();
    case VLXBoolFilterKey::ValidName: return !record.ShownName().empty();
    case VLXBoolFilterKey::OpenForEdit: return record.IsOpenForEdit();
    case VLXBoolFilterKey::InArchive: return VLXIsInArchive(context.root, record);
    case VLXBoolFilterKey::LocallyEnabled: return (record.flags & kFlagLocallyEnabled) != 0;
    case VLXBoolFilterKey::HasMissingDependencies: return VLXHasMissingDependencies(context.index, record);
    case VLXBoolFilterKey::HasFaultyDependencies: return VLXHasFaultyDependencies(context.index, record);
    case VLXBoolFilterKey::Faulty: return record.IsFaulty();
    case VLXBoolFilterKey::FromDyebox: return (record.flags & kFlagDyebox) != 0;
    case VLXBoolFilterKey::Builtin: return record.IsBuiltIn();
    case VLXBoolFilterKey::ListingPrivilege: return (record.permissions & kPermitListing) != 0;
    case VLXBoolFilterKey::Favorite: return (record.flags & kFlagFavourite) != 0;
    case VLXBoolFilterKey::Warnings: return record.HasWarnings();
    }
    return false;
}

VLXFilterElementString::VLXFilterElementString(uint32_t key, std::string_view value)
    : key_(key), codes_(key == uint32_t(VLXStringFilterKey::AssetName) ? std::string_view() : value)
{
    if (VLXStringFilterKey(key) == VLXStringFilterKey::AssetName && value.size() > 1 && value.front() == '"' &&
        value.back() == '"') {
        value = value.substr(1, value.size() - 2);
        exact_ = true;
    }
    value_ = Nox::PString(value);
}

std::string VLXFilterElementString::GetKey() const
{
    return key_ < std::size(kStringKeyNames) ? kStringKeyNames[key_] : "unknown";
}

bool VLXFilterElementString::Matches(const VLXQueryContext&, VLXAssetRecord& record) const
{
    const std::string_view value = value_.view();
    switch (VLXStringFilterKey(key_)) {
    case VLXStringFilterKey::AssetName:
        return exact_ ? VLXEqualsFolded(record.ShownName(), value) : VLXContainsFolded(record.ShownName(), value);
    case VLXStringFilterKey::CategoryList: return codes_.Matches(record.categoryClass);
    case VLXStringFilterKey::EraList: return codes_.Matches(record.eraList);
    case VLXStringFilterKey::KeywordList: return VLXMatchKeywords(record.searchText, value);
    case VLXStringFilterKey::RegionList: return codes_.Matches(record.regionList);
    }
    return false;
}

VLXFilterElementGroup::VLXFilterElementGroup(std::unique_ptr<VLXFilterElement> first)
{
    if (first)
        children_.push_back(std::move(first));
}

std::string VLXFilterElementGroup::GetValue() const
{
    std::string value = "(";
    for (const auto& child : children_) {
        value += child->GetKey();
        value += ':';
        value += child->GetValue();
    }
    value += ')';
    return value;
}

bool VLXFilterElementGroup::Equals(const VLXFilterElement& other) const
{
    const auto* group = dynamic_cast<const VLXFilterElementGroup*>(&other);
    if (!group || group->children_.size() != children_.size() || group->negate_ != negate_ || group->and_ != and_)
        return false;
    for (size_t i = 0; i < children_.size(); ++i)
        if (!children_[i]->Equals(*group->children_[i]))
            return false;
    return VLXFilterElement::Equals(other);
}

bool VLXFilterElementGroup::Matches(const VLXQueryContext& context, VLXAssetRecord& record) const
{
    if (children_.empty())
        return !Negated();
    bool result = and_;
    for (const auto& child : children_) {
        if (child->Matches(context, record) != and_) {
            result = !and_;
            break;
        }
    }
    return Negated() ? !result : result;
}
