// Operations of the database, package, validation and texture commands.
#include "app/commands/CommandOperations.h"

#include "assetdb/AssetDatabase.h"
#include "assetdb/KuidGeneration.h"
#include "soup/SoupRef.h"

#include <cstdio>

bool RunSetLanguage(ResultsLog&, AppContext&, std::string_view languageCode)
{
    // Stores the code as "language" in the "internet" container of the database settings.
    VLXDatabaseLock lock(VLXDatabaseLock::Options{.write = true});
    SoupRef& settings = VLXIndex().settings;
    settings.EnsureContainer();
    SoupRef internet = settings.GetContainer("internet");
    if (internet.IsEmpty()) {
        internet = SoupRef::NewContainer();
        settings.SetContainer("internet", internet);
    }
    if (internet.GetString("language") != languageCode) {
        internet.SetString("language", languageCode);
        VLXMarkChanged(kChangedSettings);
    }
    return true;
}

bool RunStatus(ResultsLog& log, AppContext& context, KUID kuid)
{
    VLXAssetInfo info;
    if (!VLXGetAssetInfo(kuid, info)) {
        log.AddResult(ResultSeverity::Error, kuid, "Unknown AssetID.");
        return false;
    }
    auto letter = [](bool state, char upper) { return state ? upper : char(upper - 'A' + 'a'); };
    const char flags[] = {letter(info.openForEdit, 'E'),       letter(info.installedLocally, 'I'),
                          letter(info.archived, 'A'),          letter(info.onDownloadStation, 'D'),
                          letter(info.locallyModified, 'L'),   letter(info.missingDependencies, 'M'),
                          letter(info.hasErrors, 'E'),         '\0'};
    fprintf(ConsoleOf(context), "+ %s : %s : %s : %s\n", kuid.ToTagText().c_str(), flags, info.categoryClass.c_str(),
            info.displayName.c_str());
    return true;
}

bool RunGenerateKuid(ResultsLog&, AppContext& context)
{
    KUID kuid = VLXGenerateKuid();
    fprintf(ConsoleOf(context), "<KUID2:%d:%u:%u>\n", kuid.userId, uint32_t(kuid.contentId), uint32_t(kuid.version));
    return !kuid.IsNull();
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
