// Where start-up and tear-down plug in the IPC controller and the asset database.
#pragma once

#include <string_view>

// Opens the inter-process ownership controller on the installation's "assets.tdx" path (a name,
// not a file that is read). `patcher` is set for "repairdatabase patcher". False when it cannot
// be opened.
bool OpenIpcController(std::string_view ownershipPath, bool patcher);
// Closes the controller if it is open (also after CloseDatabase, which closes it itself).
void CloseIpcController();

// Sets up the folder layout under the installation root (with a trailing '/'), opens the asset
// database on it (starting its loader thread) and registers the root for KUID generation.
void OpenDatabase(std::string_view installRoot);
// Ends the database's threads, writes the index when anything changed, closes the IPC controller.
void CloseDatabase();
