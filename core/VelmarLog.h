// Error reporting to the engine log, the program's exception, and process-wide identity.
#pragma once

#include <string>
#include <string_view>

#include "engine/Exception.h"

// The program's only exception type. Raised by RaiseError; the description is "Velmar Error".
class VelmarEx : public Nox::Exception {
 public:
  using Nox::Exception::Exception;
  const char* Description() const noexcept override { return "Velmar Error"; }
};

// Formats like printf and writes the text to the engine log at level 2.
void ReportError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// ReportError, then throws VelmarEx("VelmarLog", 53, formatted text).
[[noreturn]] void RaiseError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Stores the application name and records the calling thread as the main thread.
void SetApplicationName(std::string_view name);
std::string GetApplicationName();
// True on the thread that called SetApplicationName (false everywhere before).
bool IsMainThread();

// Stores the program root (without trailing slash) against which source names
// of file operations resolve. On this system an absolute path starts with '/'.
void SetProgramRoot(std::string_view path);
std::string GetProgramRoot();
