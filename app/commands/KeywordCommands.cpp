// Operations of the keyword commands: backupkeywords and importkeywords.
#include "app/commands/CommandOperations.h"

#include "assetdb/Keywords.h"

// Written relative to the working directory, which start-up set to the program folder.
bool RunBackupKeywords(ResultsLog&, AppContext&, std::string_view fileName)
{
    return VLXBackupKeywords({}, fileName, "txt");
}

bool RunImportKeywords(ResultsLog&, AppContext& context)
{
    return VLXImportKeywords(context.installRoot, "KeywordsDump.dat", "txt");
}
