// The process's asset database: open and close, the database lock, loading, writing, look-ups.
#pragma once

#include "assetdb/AssetIndex.h"
#include "core/KUID.h"

#include <cstdint>
#include <string>
#include <string_view>

// Opens the database on the installation root (once per process): creates the folder layout,
// opens the IPC controller on <root>/assets.tdx and starts the loader thread, which takes the
// database lock once and so loads the index. `allowRebuild` false keeps a missing index empty
// instead of trying the fallback copies and the rebuild. False when the IPC controller cannot
// be opened.
bool VLXOpenDatabase(std::string_view root, bool allowRebuild = true);
// Waits for the loader thread, shuts the database log down, writes the index when a change
// flag is set, clears the tables and closes the IPC controller.
void VLXCloseDatabase();
bool VLXIsDatabaseOpen();
// The installation root given to VLXOpenDatabase (without trailing slash).
const std::string& VLXDatabaseRoot();

// Creates the folders of an installation root: cache, trash, cache/bookmarks, cache/libraries,
// cache/syslibs, cache/sessions, cache/water, local, editing, settings. False when one fails.
bool VLXCreateFolderLayout(std::string_view root);

// Scoped database lock: the in-process reader-writer lock, then database ownership through the
// IPC controller; taking it reloads the index when another process wrote it since this process
// last saw it. Every read or change of VLXIndex() happens while one is held.
class VLXDatabaseLock {
public:
    struct Options {
        bool write = false;      // exclusive in-process hold
        bool timeLimit = false;  // give up on the in-process lock after 3000 ms
        bool wait = true;        // false: do not wait for ownership (the lock is then not taken)
    };
    VLXDatabaseLock() : VLXDatabaseLock(Options{}) {}
    explicit VLXDatabaseLock(Options options);
    ~VLXDatabaseLock();
    VLXDatabaseLock(const VLXDatabaseLock&) = delete;
    VLXDatabaseLock& operator=(const VLXDatabaseLock&) = delete;

    bool Held() const { return held_; }
    explicit operator bool() const { return held_; }

private:
    bool held_ = false;
};

// The index tables; use only while a VLXDatabaseLock is held.
VLXAssetIndex& VLXIndex();

// Sets change flags (VLXChangeFlag). The first change after a load deletes the leftover
// <root>/cache/assets.tdx and <root>/cache/assets.bku when <root>/assets.tdx exists.
void VLXMarkChanged(uint8_t flags);

// Writes the index to <root>/cache/assets.tdx, renames it to <root>/assets.tdx and bumps the
// shared change counter; hands ownership over when another process waits. False on failure
// (the records stay marked changed, so the next opportunity writes again).
bool VLXThread_WriteDatabaseLocal();

// The record of a KUID, or nullptr; hold a VLXDatabaseLock while using it.
VLXAssetRecord* VLXLookupAsset(const KUID& kuid);

// What VLXGetAssetInfo reports about one asset.
struct VLXAssetInfo {
    KUID kuid = KUID::Null;
    bool openForEdit = false;
    bool installedLocally = false;  // has an installedPath or a localPath
    bool archived = false;
    bool onDownloadStation = false;
    bool locallyModified = false;
    bool missingDependencies = false;
    bool hasErrors = false;
    std::string categoryClass;
    std::string displayName;  // the shown name
};
// Fills `info` under the database lock; false when the asset is not in the index.
bool VLXGetAssetInfo(const KUID& kuid, VLXAssetInfo& info);

// The author name of a KUID user id, as listed by the authors command.
std::string VLXAuthorName(int32_t userId);
