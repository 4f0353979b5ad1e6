// Running one command with its own results log, guarded against escaping exceptions.
#pragma once

#include "app/AppContext.h"
#include "app/results/ResultsLog.h"

#include <functional>

// Process status of a command that let an exception escape (seen by the parent as 156).
inline constexpr int kEscapedExceptionStatus = -100;

// DispatchCommand under the guard. Returns true when the command failed.
bool RunCommandGuarded(ResultsLog& log, AppContext& context, int argc, char** argv);
// Runs `command`; if any exception escapes it the process ends at once with status -100: no
// results are printed and nothing is torn down.
bool RunGuarded(const std::function<bool()>& command);

// One command as the entry point and each batch line run it: a fresh log, the guarded dispatch,
// the printed report. Returns true when the command failed.
bool RunAndPrintCommand(AppContext& context, int argc, char** argv);
