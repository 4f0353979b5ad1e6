// The process's asset database: folder layout, open/close, loader thread, load fallbacks, writing.
#include "assetdb/AssetDatabase.h"

#include "assetdb/AssetIndexFile.h"
#include "assetdb/DatabaseLocations.h"
#include "assetdb/DatabaseLog.h"
#include "assetdb/DependencyStates.h"
#include "assetdb/IndexRebuild.h"
#include "assetdb/IpcController.h"
#include "core/DeferredCalls.h"
#include "core/RWLock.h"
#include "engine/File.h"
#include "engine/Log.h"
#include "engine/Process.h"
#include "engine/Rand.h"
#include "engine/Sync.h"
#include "engine/Thread.h"
#include "engine/Time.h"

#include <cstdarg>
#include <deque>
#include <mutex>

namespace {

constexpr int64_t kLowDiskSpace = 52428800;  // 50 MiB
constexpr uint32_t kLowDiskSpaceMessage = 3532;
constexpr int kTimeLimitMs = 3000;

struct Database {
    std::string root;
    bool open = false;
    bool allowRebuild = true;
    VLXAssetIndex index;
    RWLock lock;
    // Serialises taking ownership and reloading, so that no thread of this process reads the
    // tables while another replaces them.
    std::mutex ownership;
    std::unique_ptr<Nox::Thread> loader;
    Nox::WEvent loaderEnded;  // set when the loader thread's work is done
    bool leftoversPending = false;
    bool writeInProgress = false;
    uint64_t lastWriteMs = 0;
    std::deque<int32_t> authorLookups;  // user ids queued for a name look-up
};

Database& Db()
{
    static Database db;
    return db;
}

void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogLine(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (Nox::LogClient* client = Nox::Log::GetClient())
        client->Write(2, text);
}

std::string RootPath(std::string_view relative)
{
    return Db().root + "/" + std::string(relative);
}

std::array<uint8_t, 4> MachineBytes()
{
    // Four bytes of a hash of the machine id (or, without one, of the host name file).
    std::vector<uint8_t> bytes;
    if (!Nox::ReadAll("/etc/machine-id", bytes))
        Nox::ReadAll("/etc/hostname", bytes);
    uint32_t h = 2166136261u;
    for (uint8_t b : bytes)
        h = (h ^ b) * 16777619u;
    return {uint8_t(h), uint8_t(h >> 8), uint8_t(h >> 16), uint8_t(h >> 24)};
}

// Reads one index file; `sorted` tells whether the record array is already in name order.
bool ReadIndexFile(const std::string& path, VLXAssetIndex& index, bool* sorted = nullptr)
{
    std::vector<uint8_t> image;
    if (!Nox::ReadAll(path, image))
        return false;
    VLXIndexReadContext context;
    context.now = uint64_t(Nox::Time::TimeStamp());
    static const std::array<uint8_t, 4> machine = MachineBytes();
    context.machine = machine;
    context.random = [] { return Nox::Rand::NextU32(); };
    context.log = [](const std::string& line) { LogLine("%s", line.c_str()); };
    VLXIndexReadResult result = VLXReadIndex(image, index, context);
    if (!result.ok)
        LogLine("VLXLoadDatabase> \"%s\" rejected: %s", path.c_str(), result.reason ? result.reason : "unreadable");
    if (sorted)
        *sorted = result.arraySorted;
    return result.ok;
}

bool WriteIndexLocked();

// Loads the tables: the index file, else the temporary or backup copy, else a rebuild.
void LoadIndexLocked()
{
    Database& db = Db();
    VLXAssetIndex& index = db.index;
    VLXDatabaseLog().Clear();
    bool sorted = false;
    bool loaded = ReadIndexFile(RootPath("assets.tdx"), index, &sorted);
    if (!loaded) {
        index.Clear();
        index.changeFlags |= kChangedRescanPending;
        index.needsFullScan = true;
        if (db.allowRebuild) {
            for (const char* copy : {"cache/assets.tdx", "cache/assets.bku"}) {
                std::string path = RootPath(copy);
                if (Nox::File::Exists(path) != 0 || !ReadIndexFile(path, index))
                    continue;
                index.changeFlags |= kChangedRescanPending;
                index.needsFullScan = true;
                VLXRefreshAfterFallbackLoad(index, db.root);
                index.SortArray();
                Nox::File::Unlink(path);
                VLXDatabaseLog().Restore(index.log);
                WriteIndexLocked();
                loaded = true;
                break;
            }
            if (!loaded) {
                index.Clear();
                index.changeFlags |= kChangedRescanPending;
                index.needsFullScan = true;
                VLXRebuildIndexFromFolders(index, db.root);
                index.SortArray();
                index.changeFlags |= kChangedRecords;
            }
        }
    } else if (!sorted) {
        index.SortArray();
    }
    VLXDatabaseLog().Restore(index.log);
    db.leftoversPending = true;
    VLXIpcController().SnapshotCounter();
}

// Writes the tables to cache/assets.tdx and renames it to assets.tdx. The caller holds the
// database lock (shared is enough: writing only reads the tables).
bool WriteIndexLocked()
{
    Database& db = Db();
    VLXAssetIndex& index = db.index;
    IPCController& ipc = VLXIpcController();
    bool releaseAfter = ipc.OwnedBySelf() && ipc.OtherWaiting();

    uint8_t savedFlags = index.changeFlags;
    index.changeFlags = 0;
    db.writeInProgress = true;
    index.log = VLXDatabaseLog().Snapshot();

    const std::string temporary = RootPath("cache/assets.tdx");
    const std::string target = RootPath("assets.tdx");
    Nox::File::Md(RootPath("cache"));
    Nox::File::Unlink(temporary);

    bool written = false;
    {
        // Written piece by piece as it is made; the size field is patched in after the last byte.
        Nox::File file;
        if (file.Open(temporary, Nox::File::kCreate) == 0) {
            uint64_t size = VLXWriteIndexPieces(index, Nox::Rand::NextU32(), [&file](std::span<const uint8_t> bytes) {
                return file.Write(bytes.data(), bytes.size()) == bytes.size();
            });
            const uint32_t sizeField = uint32_t(size);
            written = size != 0 && size == sizeField && file.Seek(8) && file.Write(&sizeField, 4) == 4 && file.Flush();
            file.Close();
        }
    }
    if (written) {
        db.lastWriteMs = Nox::Time::Ms();
        // rename() replaces assets.tdx atomically: readers see the old or the new file, never
        // none, so the existing file is not deleted first.
        if (Nox::File::Rename(temporary, target)) {
            ipc.BumpCounter();
            db.writeInProgress = false;
            if (releaseAfter)
                ipc.Release();
            return true;
        }
        LogLine("VLXThread_WriteDatabaseLocal> Rename(\"%s\", \"%s\") failed", temporary.c_str(), target.c_str());
    }
    LogLine("VLXThread_WriteDatabaseLocal> gVlxAssetIndex.WriteDatabase(\"%s\" failed", temporary.c_str());
    Nox::File::Unlink(temporary);
    int64_t space = Nox::Process::FreeDiskSpace(RootPath("cache"));
    if (space < 0 || space < kLowDiskSpace)
        Nox::Process::PostThreadMessage(kLowDiskSpaceMessage);
    index.changeFlags = uint8_t(savedFlags | kChangedRecords);
    db.writeInProgress = false;
    return false;
}

}  // namespace

bool VLXCreateFolderLayout(std::string_view root)
{
    static constexpr const char* kFolders[] = {"cache",          "trash",         "cache/bookmarks", "cache/libraries",
                                               "cache/syslibs",  "cache/sessions", "cache/water",    "local",
                                               "editing",        "settings"};
    bool ok = true;
    for (const char* folder : kFolders)
        ok = Nox::File::Md(std::string(root) + "/" + folder) && ok;
    return ok;
}

bool VLXOpenDatabase(std::string_view root, bool allowRebuild)
{
    Database& db = Db();
    if (db.open)
        return true;
    db.root = std::string(root);
    while (db.root.size() > 1 && (db.root.back() == '/' || db.root.back() == '\\'))
        db.root.pop_back();
    db.allowRebuild = allowRebuild;
    VLXCreateFolderLayout(db.root);
    if (!VLXIpcController().Open(RootPath("assets.tdx"), false))
        return false;
    Nox::File::Subst("scripts", RootPath("scripts/"));
    Nox::File::Subst("libraries", RootPath("libraries/"));
    VLXOpenStartupLocations(db.root);
    db.open = true;
    db.loaderEnded.Reset();
    db.loader = std::make_unique<Nox::Thread>([] {
        { VLXDatabaseLock lock; }
        Db().loaderEnded.Set();
    });
    db.loader->Resume();
    return true;
}

void VLXCloseDatabase()
{
    Database& db = Db();
    if (!db.open)
        return;
    if (db.loader) {
        // Work the loader may wait for on this thread keeps running meanwhile: the queue is
        // served at least every 10 ms, and the wait ends as soon as the loader is done.
        while (!db.loaderEnded.IsSet()) {
            DeferredCallQueue::Instance().Serve(0);
            db.loaderEnded.Wait(10);
        }
        db.loader->Join();
        db.loader.reset();
    }
    VLXDatabaseLog().Shutdown();
    // Only a process with unsaved changes needs the lock (and so ownership) to write them.
    if (db.index.changeFlags != 0) {
        VLXDatabaseLock lock(VLXDatabaseLock::Options{.write = true});
        if (lock && db.index.changeFlags != 0)
            WriteIndexLocked();
    }
    // The process ends right after closing: the tables are moved aside and freed only by a normal
    // exit, instead of destroying every record one by one here.
    static std::vector<std::unique_ptr<VLXAssetIndex>> retired;
    retired.push_back(std::make_unique<VLXAssetIndex>(std::move(db.index)));
    db.index.Clear();
    VLXCloseAllLocations();
    VLXIpcController().Close();
    db.open = false;
}

bool VLXIsDatabaseOpen()
{
    return Db().open;
}

const std::string& VLXDatabaseRoot()
{
    return Db().root;
}

VLXDatabaseLock::VLXDatabaseLock(Options options)
{
    Database& db = Db();
    if (!db.lock.Acquire(options.write, options.timeLimit ? kTimeLimitMs : RWLock::kNoTimeout))
        return;
    std::lock_guard guard(db.ownership);
    IPCController& ipc = VLXIpcController();
    if (!ipc.OwnedBySelf()) {
        if (options.wait) {
            ipc.Acquire();
        } else if (!ipc.TryAcquire(false)) {
            db.lock.Release();
            return;
        }
    }
    if (ipc.CounterChanged())
        LoadIndexLocked();
    held_ = true;
}

VLXDatabaseLock::~VLXDatabaseLock()
{
    if (held_)
        Db().lock.Release();
}

VLXAssetIndex& VLXIndex()
{
    return Db().index;
}

void VLXMarkChanged(uint8_t flags)
{
    Database& db = Db();
    db.index.changeFlags |= flags;
    if (flags && db.leftoversPending) {
        db.leftoversPending = false;
        if (Nox::File::Exists(RootPath("assets.tdx")) == 0) {
            Nox::File::Unlink(RootPath("cache/assets.tdx"));
            Nox::File::Unlink(RootPath("cache/assets.bku"));
        }
    }
}

bool VLXThread_WriteDatabaseLocal()
{
    VLXDatabaseLock lock(VLXDatabaseLock::Options{.write = true});
    if (!lock)
        return false;
    return WriteIndexLocked();
}

VLXAssetRecord* VLXLookupAsset(const KUID& kuid)
{
    return Db().index.Lookup(kuid);
}

bool VLXGetAssetInfo(const KUID& kuid, VLXAssetInfo& info)
{
    // Write hold: the dependency states are computed (and stored) on demand.
    VLXDatabaseLock lock(VLXDatabaseLock::Options{.write = true});
    if (!lock)
        return false;
    VLXAssetIndex& index = Db().index;
    VLXAssetRecord* record = index.Lookup(kuid);
    if (!record)
        return false;
    info.kuid = record->kuid;
    info.openForEdit = record->IsOpenForEdit();
    info.installedLocally = record->IsLocallyAvailable();
    info.archived = false;  // no archive support: nothing is archived
    info.onDownloadStation = record->IsOnDownloadStation();
    info.locallyModified = record->IsLocallyModified();
    info.missingDependencies = VLXHasMissingDependencies(index, *record);
    info.hasErrors = record->IsFaulty();
    info.categoryClass = record->categoryClass;
    info.displayName = record->ShownName();
    return true;
}

std::string VLXAuthorName(int32_t userId)
{
    // The maker's own user ids.
    static constexpr int32_t kMakerIds[7] = {1, 2, 3, 4, 5, 6, 7};
    if (userId == 0)
        return "-";
    if (userId == -2)
        return "unknown";
    if (userId < 0)
        return "Oskel";
    for (int32_t id : kMakerIds)
        if (id == userId)
            return "Oskel";
    Database& db = Db();
    for (const VLXAuthorEntry& entry : db.index.authors)
        if (entry.userId == userId)
            return entry.name.str();
    auto& queue = db.authorLookups;
    if (std::find(queue.begin(), queue.end(), userId) == queue.end()) {
        if (queue.size() >= 32)
            queue.pop_front();
        queue.push_back(userId);
    }
    return "#" + std::to_string(userId);
}
