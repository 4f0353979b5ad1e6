// Locations: named content stores under the installation root, opened with use counts.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

struct VLXLocation {
    std::string name;    // "local", "base", "builtin\\1", ...
    std::string folder;  // <root>/<name> with '/' separators
    bool archive = false;  // <root>/<name>.ja exists (archives are not read here)
    int uses = 0;
};
using VLXLocationRef = std::shared_ptr<VLXLocation>;

inline constexpr size_t kMaxOpenLocations = 256;

// Opens a location of the root by name, or counts one more use of an open one. When the table
// is full, locations no longer in use are closed first; nullptr when none can be closed.
VLXLocationRef VLXOpenLocation(std::string_view root, std::string_view name);
// Gives back one use.
void VLXReleaseLocation(const VLXLocationRef& location);
// Opens video, local, trash, editing, cache and settings (held for the life of the database).
void VLXOpenStartupLocations(std::string_view root);
void VLXCloseAllLocations();
size_t VLXOpenLocationCount();
