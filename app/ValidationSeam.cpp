// Start-up and tear-down of the validation library; until it exists only its data folder is required.
#include "app/ValidationSeam.h"

#include "engine/File.h"

void CreateValidationErrorHandler() {}

bool InitialiseValidationLibrary(std::string_view dataFolder) { return Nox::File::IsFolder(dataFolder); }

void AttachValidationToEngine(AppContext&) {}

void ReleaseValidationLibrary() {}

void DeleteValidationErrorHandler() {}
