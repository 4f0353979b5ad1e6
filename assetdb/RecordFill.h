// Filling an asset record from its configuration, and reading the configuration of an asset folder.
#pragma once

#include "assetdb/AssetRecord.h"
#include "soup/SoupRef.h"

#include <cstdint>
#include <string>
#include <string_view>

// The configuration of an asset folder on disk: config.chump when it reads, else config.txt.
// Empty when neither reads or the soup holds no tag.
SoupRef VLXReadFolderConfig(std::string_view folder);

// Fills `record` from `config`: with `takeKuid` the KUID comes from the configuration's `kuid`
// (a null one fails the fill); then category codes, name, region and era lists, keywords, map
// KUID, disk size (when unknown), build, Dyebox flag, permissions and search text. `root` is the
// installation root, used to measure the asset's files. False for an empty configuration.
bool VLXFillRecordFromConfig(const SoupRef& config, VLXAssetRecord& record, bool takeKuid, std::string_view root);

// The parts of a fill, exposed for the commands and tests that need one rule alone.
// Name rule: first non-empty of username, name, asset-filename; "_" to space below build 2.9;
// trimmed; one leading and one trailing quote removed; empty gives the untitled name.
std::string VLXNameFromConfig(const SoupRef& config);
// Keywords built from a company text: lower-cased A-Z, separators collapsed into ";".
std::string VLXKeywordsFromCompany(std::string_view company);
// Stored build number: velmar-build + 0.005 inside [1, 100), else 2.0 for assets with a mesh-table,
// class or scriptclass tag, else 1.3.
float VLXBuildFromConfig(const SoupRef& config);

// The name given to assets whose configuration names none (localised).
std::string VLXUntitledAssetName();

// Total bytes of all files below a folder (recursive); clamped to the 32-bit range of diskSize.
int32_t VLXFolderFileBytes(std::string_view folder);

// The folder on disk of a location ("base", "builtin\\1", "local", …) under `root`.
std::string VLXLocationFolder(std::string_view root, std::string_view location);
