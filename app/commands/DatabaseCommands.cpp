// Operations of the database, package, validation and texture commands.
#include "app/commands/CommandOperations.h"

bool RunSetLanguage(ResultsLog& log, AppContext&, std::string_view)
{
    // Stores the code as "language" in the "internet" container of the database settings.
    return ReportNotAvailable(log);
}

bool RunStatus(ResultsLog& log, AppContext&, KUID)
{
    // Unknown asset: "Unknown AssetID." tied to the KUID; else the status line on the console.
    return ReportNotAvailable(log);
}

bool RunGenerateKuid(ResultsLog& log, AppContext&)
{
    // Prints "<KUID2:user:content:version>" (content and version unsigned); fails on the null KUID.
    return ReportNotAvailable(log);
}

bool RunEdit(ResultsLog& log, AppContext&, KUID)
{
    // Not found or not openable: "Unknown AssetID." tied to the KUID; else "+ KUID : folder" on the console.
    return ReportNotAvailable(log);
}

bool RunCommit(ResultsLog& log, AppContext&, KUID) { return ReportNotAvailable(log); }

bool RunRevert(ResultsLog& log, AppContext&, KUID) { return ReportNotAvailable(log); }

bool RunDelete(ResultsLog& log, AppContext&, KUID) { return ReportNotAvailable(log); }

bool RunPrintConfig(ResultsLog& log, AppContext&, KUID)
{
    // No configuration: "Asset is not local." tied to the KUID; else the dump between
    // "+ Start of KUID dump" and "+ End of KUID dump".
    return ReportNotAvailable(log);
}

bool RunValidate(ResultsLog& log, AppContext&, KUID) { return ReportNotAvailable(log); }

bool RunInstallCdp(ResultsLog& log, AppContext&, std::string_view) { return ReportNotAvailable(log); }

bool RunInstallFromPath(ResultsLog& log, AppContext&, std::string_view) { return ReportNotAvailable(log); }

bool RunImportConsists(ResultsLog& log, AppContext&, std::string_view)
{
    // A file that cannot be read as a configuration file: "Invalid input path.".
    return ReportNotAvailable(log);
}

bool RunRepairDatabase(ResultsLog& log, AppContext&, int)
{
    // Except in mode 2, first prints "Repairing asset database (this may take some time)".
    return ReportNotAvailable(log);
}

bool RunDlsDeleteAll(ResultsLog& log, AppContext&) { return ReportNotAvailable(log); }

bool RunCompressTexture(ResultsLog& log, AppContext&, std::string_view) { return ReportNotAvailable(log); }

bool RunCreateCdp(ResultsLog& log, AppContext&, std::string_view, std::span<const KUID> kuids)
{
    // Each KUID in order: a null one ends the command with "Invalid AssetID.", one not installed
    // locally with "Asset is not local." tied to it; the others join the package list.
    if (!kuids.empty() && kuids.front().IsNull()) {
        log.AddResult(ResultSeverity::Error, "Invalid AssetID.");
        return false;
    }
    return ReportNotAvailable(log);
}

bool RunDlsParse(ResultsLog& log, AppContext&, std::string_view) { return ReportNotAvailable(log); }
