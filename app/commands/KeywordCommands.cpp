// Operations of the keyword commands: backupkeywords and importkeywords.
#include "app/commands/CommandOperations.h"

bool RunBackupKeywords(ResultsLog& log, AppContext&, std::string_view) { return ReportNotAvailable(log); }

bool RunImportKeywords(ResultsLog& log, AppContext&)
{
    // Reads "KeywordsDump.dat" from the installation root.
    return ReportNotAvailable(log);
}
