// Start-up and tear-down of the services the commands run on.
#pragma once

#include "app/AppContext.h"

#include <string>
#include <string_view>

// Starts the validation library, the engine objects and the asset database, and changes the
// working directory to the program folder. Returns 0, or 255 after writing the failure message to
// the error stream.
int InitialiseApplication(AppContext& context, const char* argv0, int argc, char** argv);
// Releases everything InitialiseApplication started.
void ShutdownApplication(AppContext& context);

// The folder of a program path with a trailing '/': "/x/bin/VelmarUtil" -> "/x/bin/".
std::string FolderOfProgram(std::string_view programPath);
// The parent of a folder, with a trailing '/': "/x/bin/" -> "/x/".
std::string ParentFolder(std::string_view folder);
// The database ownership path: the installation root (parent of the program folder) + "assets.tdx".
std::string OwnershipPathOf(std::string_view programPath);

// True when "repairdatabase patcher" opens the call (both words compared case-sensitively).
bool IsPatcherCall(int argc, char** argv);
// True when any argument, argv[0] included, is "norender" (any case).
bool HasNorenderWord(int argc, char** argv);
