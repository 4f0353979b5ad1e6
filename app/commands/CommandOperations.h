// The operations behind the command words, called by the dispatcher once the arguments passed its checks.
#pragma once

#include "app/AppContext.h"
#include "app/results/ResultsLog.h"
#include "core/KUID.h"

#include <span>
#include <string_view>

// Every operation reports into `log` and returns true when it succeeded; the dispatcher turns that
// into the command's failure flag. Text it writes directly to the console goes to ConsoleOf(context).
// Paths are passed as the user typed them (not lower-cased).

// ---- console (ConsoleCommands.cpp)
bool RunVersion(ResultsLog& log, AppContext& context);
bool RunEcho(ResultsLog& log, AppContext& context, std::span<char* const> words);

// ---- database (DatabaseCommands.cpp)
// `languageCode` is one of the accepted codes, lower-cased.
bool RunSetLanguage(ResultsLog& log, AppContext& context, std::string_view languageCode);
bool RunStatus(ResultsLog& log, AppContext& context, KUID kuid);
bool RunGenerateKuid(ResultsLog& log, AppContext& context);
bool RunEdit(ResultsLog& log, AppContext& context, KUID kuid);
bool RunCommit(ResultsLog& log, AppContext& context, KUID kuid);
bool RunRevert(ResultsLog& log, AppContext& context, KUID kuid);
bool RunDelete(ResultsLog& log, AppContext& context, KUID kuid);
bool RunPrintConfig(ResultsLog& log, AppContext& context, KUID kuid);
bool RunValidate(ResultsLog& log, AppContext& context, KUID kuid);
bool RunInstallCdp(ResultsLog& log, AppContext& context, std::string_view packagePath);
// `folderPath` names an existing folder.
bool RunInstallFromPath(ResultsLog& log, AppContext& context, std::string_view folderPath);
bool RunImportConsists(ResultsLog& log, AppContext& context, std::string_view listPath);
// `mode`: 0 normal, 1 extended, 2 patcher.
bool RunRepairDatabase(ResultsLog& log, AppContext& context, int mode);
bool RunDlsDeleteAll(ResultsLog& log, AppContext& context);
// `texturePath` is absolute and normalised.
bool RunCompressTexture(ResultsLog& log, AppContext& context, std::string_view texturePath);
// `outputPath` ends in ".cdp"; `kuids` are argv[3..] parsed leniently, KUID::Null where a text is
// no KUID. They are checked in order and the first bad one ends the command: a null one with
// "Invalid AssetID.", one not installed locally with "Asset is not local." tied to it.
bool RunCreateCdp(ResultsLog& log, AppContext& context, std::string_view outputPath, std::span<const KUID> kuids);
bool RunDlsParse(ResultsLog& log, AppContext& context, std::string_view packagePath);

// ---- search (SearchCommands.cpp)
// `expression` is upper-cased; `queryScope` 0 = local assets, 2 = with the download station.
bool RunSearchByCategory(ResultsLog& log, AppContext& context, std::string_view expression, int queryScope);
bool RunAuthors(ResultsLog& log, AppContext& context);

// ---- keywords (KeywordCommands.cpp)
// `fileName` is the parameter, or "KeywordsBackup.dat" without one.
bool RunBackupKeywords(ResultsLog& log, AppContext& context, std::string_view fileName);
bool RunImportKeywords(ResultsLog& log, AppContext& context);

// ---- scripts (ScriptCommands.cpp)
// The full argument vector; the operation blanks argv[1] before handing it to the compiler driver
// and runs it in context.startDirectory (ScopedWorkingDirectory, app/WorkingDirectory.h).
bool RunCompile(ResultsLog& log, AppContext& context, int argc, char** argv);
// `sourcePath` ends in "gs" (any case) and is relative to context.startDirectory unless absolute.
bool RunEncrypt(ResultsLog& log, AppContext& context, std::string_view sourcePath);

// The result of an operation whose subsystem is not built yet: one Error entry, failure.
bool ReportNotAvailable(ResultsLog& log);
