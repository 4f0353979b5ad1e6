// KUID generation: the base KUID in settings/kuid.txt and the search for the next free KUID.
#include "assetdb/KuidGeneration.h"

#include "assetdb/AssetDatabase.h"
#include "engine/File.h"
#include "engine/Rand.h"
#include "soup/SoupRef.h"

#include <mutex>

namespace {

struct KuidState {
    std::recursive_mutex lock;
    std::string baseFolder = "-foobar-";
    KUID base = KUID::Null;
    int32_t currentUserId = -2;
};

KuidState& State()
{
    static KuidState state;
    return state;
}

bool ValidUserId(int32_t userId)
{
    uint32_t top = uint32_t(userId) & 0xFE000000u;
    return top == 0 || top == 0xFE000000u;
}

int32_t VersionFor(int32_t userId)
{
    return userId < 0 ? 127 : 0;
}

std::string SettingsPath()
{
    return State().baseFolder + "/" + std::string(kKuidSettingsFile);
}

bool WriteSettings(const KUID& base)
{
    // Loader, setter and generator all use the same lower-case file name; a case-sensitive file
    // system would otherwise keep two files and hand out the same KUIDs again.
    SoupRef soup = SoupRef::NewContainer();
    soup.SetKUID("base-kuid", base);
    Nox::File::Md(State().baseFolder + "/settings");
    return soup.Save(SettingsPath());
}

// Moves the base into the current user's range when it belongs to another user.
void ApplyStartOfRange()
{
    KuidState& s = State();
    if (s.base.userId == s.currentUserId)
        return;
    int32_t user = s.currentUserId;
    VLXSetBaseKuid(ValidUserId(user) ? KUID(user, 1000, VersionFor(user)) : KUID::Null);
}

}  // namespace

void VLXSetKuidBaseFolder(std::string_view folder)
{
    std::lock_guard guard(State().lock);
    State().baseFolder = std::string(folder);
}

void VLXLoadKuidSettings()
{
    KuidState& s = State();
    std::lock_guard guard(s.lock);
    SoupRef soup;
    s.base = soup.Load(SettingsPath()) ? soup.GetKUID("base-kuid") : KUID::Null;
    if (!s.base.IsNull() && s.base.userId != -2)
        s.currentUserId = s.base.userId;
}

bool VLXSetBaseKuid(const KUID& kuid)
{
    if (kuid.IsNull())
        return false;
    KuidState& s = State();
    std::lock_guard guard(s.lock);
    s.base = kuid;
    s.currentUserId = kuid.userId;
    return WriteSettings(kuid);
}

KUID VLXGenerateKuid()
{
    // The database lock comes first, as for callers that already hold it.
    VLXDatabaseLock lock;
    const VLXAssetIndex* index = lock ? &VLXIndex() : nullptr;
    KuidState& s = State();
    std::lock_guard guard(s.lock);
    ApplyStartOfRange();
    const KUID before = s.base;
    if (s.base.IsNull()) {
        s.base.contentId = int32_t(Nox::Rand::NextU32()) / 2;
        s.base.userId = -2;
    }
    for (;;) {
        int32_t user = s.base.userId;
        KUID candidate =
            ValidUserId(user) ? KUID(user, int32_t(uint32_t(s.base.contentId) + 1), VersionFor(user)) : KUID::Null;
        s.base = candidate;
        if (!index || candidate.IsNull())
            break;
        if (const VLXKuidMapEntry* mapped = index->kuidMap2.Find(candidate))
            if (!mapped->target.IsNull() && mapped->target != candidate)
                continue;
        if (!index->Lookup(candidate))
            break;
    }
    // A KUID whose counter could not be saved would be handed out again by the next process.
    if (!WriteSettings(s.base)) {
        s.base = before;
        return KUID::Null;
    }
    return s.base;
}

int32_t VLXCurrentUserId()
{
    KuidState& s = State();
    std::lock_guard guard(s.lock);
    ApplyStartOfRange();
    if (s.base.IsNull() || (s.base.userId >= -9 && s.base.userId <= 0))
        return -1;
    return s.base.userId;
}

KUID VLXBaseKuid()
{
    std::lock_guard guard(State().lock);
    return State().base;
}

void VLXResetKuidState()
{
    KuidState& s = State();
    std::lock_guard guard(s.lock);
    s.base = KUID::Null;
    s.currentUserId = -2;
}
