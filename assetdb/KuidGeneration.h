// KUID range of this installation: the base KUID in settings/kuid.txt and the next free KUID.
#pragma once

#include "core/KUID.h"

#include <string>
#include <string_view>

// The settings file, relative to the base folder.
inline constexpr std::string_view kKuidSettingsFile = "settings/kuid.txt";

// Registers the installation root as the base folder ("-foobar-" stands in until then).
void VLXSetKuidBaseFolder(std::string_view folder);
// Reads base-kuid from settings/kuid.txt (null when missing); a base whose user id is not -2
// makes its user id the current user id.
void VLXLoadKuidSettings();
// Refuses the null KUID; otherwise stores it as the base (its user id becomes the current user
// id) and writes settings/kuid.txt. True when writing succeeded.
bool VLXSetBaseKuid(const KUID& kuid);
// The next KUID of the current user's range that neither KUID mapping table 2 nor the index
// uses; the null KUID on failure, also when settings/kuid.txt cannot be written (the base then
// stays as it was, so no KUID is handed out without its counter saved). Takes the database lock.
KUID VLXGenerateKuid();
// The current user id, or -1 when the base is null or its user id lies in -9..0.
int32_t VLXCurrentUserId();

// The state, for tests: the base KUID and the current user id.
KUID VLXBaseKuid();
// Forgets the base and the current user id (as at process start).
void VLXResetKuidState();
