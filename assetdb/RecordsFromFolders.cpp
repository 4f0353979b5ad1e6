// Scanning the content locations for asset folders and adding them to the index.
#include "assetdb/RecordsFromFolders.h"

#include "assetdb/RecordFill.h"
#include "core/FileUtils.h"
#include "core/VelmarLog.h"
#include "engine/File.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace {

std::string JoinPath(std::string_view a, std::string_view b)
{
    std::string out(a);
    if (!b.empty()) {
        if (!out.empty() && out.back() != '/')
            out += '/';
        out += b;
    }
    return out;
}

bool Stopped(const VLXScanContext& scan) { return scan.stop && scan.stop->load(std::memory_order_relaxed); }

// Names of the sub-folders of a folder on disk, without "." and "..". Linked folders are left
// out: a link is no asset folder of this installation, and one to a folder above would make
// the scan index (or trash) that folder's contents.
std::vector<std::string> SubFolders(const std::string& folder)
{
    std::vector<std::string> names;
    Nox::File::Find find;
    for (bool ok = find.Open(folder + "/*"); ok; ok = find.Next())
        if (find.IsRealFolder() && find.GetName() != "." && find.GetName() != "..")
            names.push_back(find.GetName());
    return names;
}

// Lists the asset folders inside `parentInLocation` of a location first, then adds each one.
void ScanFolder(VLXScanContext& scan, std::string_view location, std::string_view parentInLocation, VLXCopyKind kind)
{
    const std::string locationFolder = VLXLocationFolder(scan.root, location);
    std::vector<std::string> paths;
    for (const std::string& name : SubFolders(JoinPath(locationFolder, parentInLocation))) {
        std::string path = JoinPath(parentInLocation, name);
        if (scan.knownKeys && scan.knownKeys->count(std::string(location) + ":" + path))
            continue;
        paths.push_back(std::move(path));
    }
    for (const std::string& path : paths) {
        if (Stopped(scan))
            return;
        VLXAddAssetFolder(scan, location, path, kind);
    }
}

// Rank of a copy as the source of a record's configuration: local, then installed, then working.
int SourceRank(VLXCopyKind kind)
{
    switch (kind) {
    case VLXCopyKind::Local: return 3;
    case VLXCopyKind::Installed: return 2;
    case VLXCopyKind::Editing: return 1;
    }
    return 0;
}

int BestSourceRank(const VLXAssetRecord& record)
{
    if (!record.localPath.empty())
        return SourceRank(VLXCopyKind::Local);
    if (!record.installedPath.empty())
        return SourceRank(VLXCopyKind::Installed);
    if (!record.editingPath.empty())
        return SourceRank(VLXCopyKind::Editing);
    return 0;
}

void SetCopy(VLXAssetRecord& record, std::string_view location, std::string_view pathInLocation, VLXCopyKind kind)
{
    switch (kind) {
    case VLXCopyKind::Installed:
        record.installedPath = pathInLocation;
        record.location = location;
        record.flags |= kFlagFoundByBuiltinScan;
        record.flags2 |= kFlag2BuiltIn;
        break;
    case VLXCopyKind::Local:
        record.localPath = JoinPath(location, pathInLocation);
        break;
    case VLXCopyKind::Editing:
        record.editingPath = JoinPath(location, pathInLocation);
        break;
    }
}

// A folder that is no asset: into trash under its own name when it holds files, else deleted.
void DisposeOfFolder(VLXScanContext& scan, const std::string& folder, std::string_view name)
{
    if (!FolderHasFiles({}, folder)) {
        if (Nox::File::Prune(folder))
            ++scan.removed;
        else
            ReportError("VLXScanFolder> unable to delete empty folder \"%s\"", folder.c_str());
        return;
    }
    const auto target = CreateTemporaryFilePath({}, JoinPath(scan.root, "trash"), "unknown", {}, name);
    if (target && Nox::File::Rename(folder, *target))
        ++scan.trashed;
    else
        ReportError("VLXScanFolder> unable to move \"%s\" into trash", folder.c_str());
}

} // namespace

bool VLXAddAssetFolder(VLXScanContext& scan, std::string_view location, std::string_view pathInLocation,
                       VLXCopyKind kind)
{
    const std::string folder = JoinPath(VLXLocationFolder(scan.root, location), pathInLocation);
    auto record = std::make_shared<VLXAssetRecord>();
    SetCopy(*record, location, pathInLocation, kind);

    const SoupRef config = VLXReadFolderConfig(folder);
    if (!VLXFillRecordFromConfig(config, *record, true, scan.root)) {
        const size_t slash = pathInLocation.find_last_of('/');
        DisposeOfFolder(scan, folder, slash == std::string_view::npos ? pathInLocation : pathInLocation.substr(slash + 1));
        return false;
    }

    VLXAssetRecord* held = scan.index.Lookup(record->kuid);
    if (!held) {
        held = scan.index.Add(record).get();
        ++scan.added;
    } else {
        // The same asset in a second folder: the record gains this copy. Its configuration wins
        // when this copy is the one a refresh would read (local over installed over working).
        const bool preferred = SourceRank(kind) >= BestSourceRank(*held);
        SetCopy(*held, location, pathInLocation, kind);
        if (preferred) {
            held->diskSize = -1;
            VLXFillRecordFromConfig(config, *held, false, scan.root);
        }
        ++scan.merged;
    }

    const uint32_t stamp = VLXRecordFolderStamp(*held, scan.root);
    if (stamp != held->folderStamp) {
        // The record now describes the files as they are: keep their stamp so that a later refresh
        // or repair sees them unchanged, and let validation decide the faulty and warning bits.
        held->folderStamp = stamp;
        scan.index.changeFlags |= kChangedRescanPending;
        VLXUpdateValidationState(*held, scan.root);
    }
    return true;
}

void VLXScanBuiltinLocation(VLXScanContext& scan, std::string_view location)
{
    const std::string locationFolder = VLXLocationFolder(scan.root, location);
    for (const std::string& group : SubFolders(locationFolder)) {
        if (Stopped(scan))
            return;
        ScanFolder(scan, location, group, VLXCopyKind::Installed);
    }
}

void VLXScanLocal(VLXScanContext& scan)
{
    const std::string localFolder = VLXLocationFolder(scan.root, "local");
    for (int n = 0; n < 256; ++n) {
        if (Stopped(scan))
            return;
        char name[16];
        std::snprintf(name, sizeof name, "hash-%02X", n);
        if (Nox::File::IsFolder(JoinPath(localFolder, name)))
            ScanFolder(scan, "local", name, VLXCopyKind::Local);
    }
}

void VLXScanEditing(VLXScanContext& scan) { ScanFolder(scan, "editing", {}, VLXCopyKind::Editing); }

uint32_t VLXFolderStamp(std::string_view folder) { return FolderContentHash({}, folder); }

uint32_t VLXRecordFolderStamp(const VLXAssetRecord& record, std::string_view root)
{
    const std::string folder = VLXRecordCheckFolder(record, root);
    return folder.empty() ? 1 : VLXFolderStamp(folder);
}

std::string VLXRecordCheckFolder(const VLXAssetRecord& record, std::string_view root)
{
    if (!record.localPath.empty())
        return JoinPath(root, record.localPath);
    if (!record.installedPath.empty())
        return JoinPath(VLXLocationFolder(root, record.location), record.installedPath);
    return {};
}

void VLXUpdateValidationState(VLXAssetRecord&, std::string_view)
{
    // Validating the asset's files sets flags2 bit 3 when validation fails and bit 4 when it
    // leaves a warning; until the validation library is linked in, both bits keep their values.
}
