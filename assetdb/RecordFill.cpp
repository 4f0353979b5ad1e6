// Filling an asset record from its configuration.
#include "assetdb/RecordFill.h"

#include "assetdb/CaseFolding.h"
#include "assetdb/CategoryClass.h"
#include "assetdb/CategoryExpression.h"
#include "assetdb/RegionEraLists.h"
#include "core/interfacetext/InterfaceText.h"
#include "engine/File.h"
#include "engine/TextFormat.h"

#include <algorithm>
#include <limits>

namespace {

struct FillTags {
    Nox::PString kuid{"kuid"}, username{"username"}, name{"name"}, assetFilename{"asset-filename"},
        build{"velmar-build"}, categoryKeyword{"category-keyword"}, company{"company"}, mapKuid{"map-kuid"},
        meshTable{"mesh-table"}, cls{"class"}, scriptClass{"scriptclass"}, productType{"product-type"},
        privileges{"privileges"}, permitCommit{"permit-commit"}, permitEdit{"permit-edit"},
        permitListing{"permit-listing"}, secret{"secret"};
};

const FillTags& Tags()
{
    static const FillTags tags;
    return tags;
}

bool IsCompanySeparator(char c)
{
    switch (c) {
    case ' ': case '\t': case '\r': case '\n': case '"': case '\'': case ',': case '(': case ')': case '|':
        return true;
    default:
        return false;
    }
}

std::string JoinPath(std::string_view a, std::string_view b)
{
    std::string out(a);
    if (!out.empty() && out.back() != '/')
        out += '/';
    out += b;
    return out;
}

int32_t DiskSizeOf(const VLXAssetRecord& record, std::string_view root)
{
    if (!record.localPath.empty())
        return VLXFolderFileBytes(JoinPath(root, record.localPath));
    if (record.IsBuiltIn())
        return 0;
    if (record.installedPath.empty())
        return -1;
    return VLXFolderFileBytes(JoinPath(VLXLocationFolder(root, record.location), record.installedPath));
}

uint8_t PermissionsFor(const SoupRef& config, const VLXAssetRecord& record)
{
    const FillTags& tags = Tags();
    uint8_t permissions = record.permissions & uint8_t(~(kPermitCommit | kPermitEdit | kPermitListing));
    const SoupRef privileges = config.GetContainer(tags.privileges);
    const bool hasPrivileges = privileges && privileges.GetTagCount() > 0;
    if (int(record.build * 100.0f) >= 250 || hasPrivileges) {
        if (record.IsBuiltIn()) {
            if (privileges.GetInt(tags.permitCommit, 1) != 0)
                permissions |= kPermitCommit;
            if (privileges.GetInt(tags.permitEdit, 1) != 0)
                permissions |= kPermitEdit;
        } else {
            permissions |= kPermitCommit | kPermitEdit;
        }
        bool listing = privileges.GetInt(tags.permitListing, 1) != 0;
        if (config.HasTag(tags.secret))
            listing = config.GetInt(tags.secret, 0) == 0;
        if (listing)
            permissions |= kPermitListing;
    } else {
        permissions |= kPermitCommit | kPermitEdit;
        if (config.GetInt(tags.secret, 0) == 0 && !VLXEqualsFolded(config.GetString(tags.productType), "template"))
            permissions |= kPermitListing;
    }
    return permissions;
}

} // namespace

std::string VLXLocationFolder(std::string_view root, std::string_view location)
{
    std::string folder = JoinPath(root, location);
    std::replace(folder.begin(), folder.end(), '\\', '/');
    return folder;
}

int32_t VLXFolderFileBytes(std::string_view folder)
{
    uint64_t total = 0;
    std::vector<std::string> pending{std::string(folder)};
    while (!pending.empty()) {
        const std::string current = std::move(pending.back());
        pending.pop_back();
        Nox::File::Find find;
        for (bool ok = find.Open(current + "/*"); ok; ok = find.Next()) {
            const std::string& name = find.GetName();
            if (name == "." || name == "..")
                continue;
            if (find.IsRealFolder())  // linked folders could loop or lead out of the asset
                pending.push_back(current + "/" + name);
            else if (find.IsFolder())
                continue;
            else
                total += find.GetSize();
        }
    }
    return int32_t(std::min<uint64_t>(total, uint64_t(std::numeric_limits<int32_t>::max())));
}

SoupRef VLXReadFolderConfig(std::string_view folder)
{
    for (const char* name : {"config.chump", "config.txt"}) {
        SoupRef config;
        if (config.Load({}, JoinPath(folder, name)) && config && config.GetTagCount() > 0)
            return config;
    }
    return {};
}

std::string VLXUntitledAssetName()
{
    static const Nox::PString kKey("$vlx_untitled_asset");
    return LocalizeText(kKey);
}

std::string VLXNameFromConfig(const SoupRef& config)
{
    const FillTags& tags = Tags();
    std::string name = config.GetString(tags.username);
    if (name.empty())
        name = config.GetString(tags.name);
    if (name.empty())
        name = config.GetString(tags.assetFilename);
    if (VLXBuildHundredths(config.GetFloat(tags.build, 0.0f)) < 290)
        std::replace(name.begin(), name.end(), '_', ' ');

    std::string_view view = name;
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!view.empty() && isSpace(view.front()))
        view.remove_prefix(1);
    while (!view.empty() && isSpace(view.back()))
        view.remove_suffix(1);
    const auto isQuote = [](char c) { return c == '"' || c == '\''; };
    if (!view.empty() && isQuote(view.front()))
        view.remove_prefix(1);
    if (!view.empty() && isQuote(view.back()))
        view.remove_suffix(1);
    return view.empty() ? VLXUntitledAssetName() : std::string(view);
}

std::string VLXKeywordsFromCompany(std::string_view company)
{
    std::string keywords;
    bool afterCopied = false;
    bool inSeparators = false;
    for (char c : company) {
        if (IsCompanySeparator(c)) {
            if (afterCopied && !inSeparators)
                keywords += ';';
            inSeparators = true;
            continue;
        }
        inSeparators = false;
        afterCopied = true;
        keywords += Nox::AsciiLower(c);
    }
    return keywords;
}

float VLXBuildFromConfig(const SoupRef& config)
{
    const FillTags& tags = Tags();
    const float build = config.GetFloat(tags.build, 0.0f);
    if (build >= 1.0f && build < 100.0f)
        return build + 0.005f;
    if (config.HasTag(tags.meshTable) || config.HasTag(tags.cls) || config.HasTag(tags.scriptClass))
        return 2.0f;
    return 1.3f;
}

bool VLXFillRecordFromConfig(const SoupRef& config, VLXAssetRecord& record, bool takeKuid, std::string_view root)
{
    const FillTags& tags = Tags();
    if (!config || config.GetTagCount() == 0)
        return false;
    if (takeKuid) {
        const KUID kuid = config.GetKUID(tags.kuid);
        if (kuid.IsNull())
            return false;
        record.kuid = kuid;
    }

    record.categoryClass = VLXComputeCategoryClass(config);
    record.name = VLXNameFromConfig(config);
    record.regionList = VLXComputeRegionList(config);
    record.eraList = VLXComputeEraList(config);

    record.keywords = config.GetString(tags.categoryKeyword);
    if (record.keywords.empty())
        record.keywords = VLXKeywordsFromCompany(config.GetString(tags.company));

    record.mapKuid = VLXHasCategory(record.categoryClass, "SS") ? config.GetKUID(tags.mapKuid) : KUID::Null;

    if (record.diskSize == -1)
        record.diskSize = DiskSizeOf(record, root);

    record.build = VLXBuildFromConfig(config);

    if (VLXEqualsFolded(config.GetString(tags.productType), "reskin"))
        record.flags |= kFlagDyebox;
    else
        record.flags &= uint8_t(~kFlagDyebox);
    record.flags &= uint8_t(~kFlagArchiveKnown);

    record.permissions = PermissionsFor(config, record);
    VLXApplyLocationRules(record);
    VLXRebuildSearchText(record);
    return true;
}
