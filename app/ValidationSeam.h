// Where start-up and tear-down plug in the validation library.
#pragma once

#include "app/AppContext.h"

#include <string_view>

void CreateValidationErrorHandler();
// Initialises the library on its data folder (the "KMXData/" folder beside the program). False
// when it cannot start.
bool InitialiseValidationLibrary(std::string_view dataFolder);
// Hands the engine objects to the library's data manager (material vertex types).
void AttachValidationToEngine(AppContext& context);
// Releases the language and data tables.
void ReleaseValidationLibrary();
void DeleteValidationErrorHandler();
