// The table of open locations with use counts, at most 256 entries.
#include "assetdb/DatabaseLocations.h"

#include "engine/File.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

std::mutex gLock;
std::vector<VLXLocationRef> gTable;

}  // namespace

VLXLocationRef VLXOpenLocation(std::string_view root, std::string_view name)
{
    std::lock_guard guard(gLock);
    for (const VLXLocationRef& location : gTable)
        if (location->name == name) {
            ++location->uses;
            return location;
        }
    if (gTable.size() >= kMaxOpenLocations) {
        std::erase_if(gTable, [](const VLXLocationRef& l) { return l->uses <= 0; });
        if (gTable.size() >= kMaxOpenLocations)
            return nullptr;
    }
    auto location = std::make_shared<VLXLocation>();
    location->name = std::string(name);
    std::string folder = std::string(root) + "/" + std::string(name);
    std::replace(folder.begin(), folder.end(), '\\', '/');
    location->folder = folder;
    location->archive = Nox::File::Exists(folder + ".ja") == 0;
    location->uses = 1;
    gTable.push_back(location);
    return location;
}

void VLXReleaseLocation(const VLXLocationRef& location)
{
    std::lock_guard guard(gLock);
    if (location && location->uses > 0)
        --location->uses;
}

void VLXOpenStartupLocations(std::string_view root)
{
    for (const char* name : {"video", "local", "trash", "editing", "cache", "settings"})
        VLXOpenLocation(root, name);
}

void VLXCloseAllLocations()
{
    std::lock_guard guard(gLock);
    gTable.clear();
}

size_t VLXOpenLocationCount()
{
    std::lock_guard guard(gLock);
    return gTable.size();
}
