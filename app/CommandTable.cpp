// The command table: each command word with its parameter kind, its argument checks and its operation.
#include "app/CommandTable.h"

#include "app/commands/CommandOperations.h"
#include "engine/File.h"
#include "engine/Path.h"
#include "engine/TextFormat.h"

#include <array>
#include <span>
#include <vector>

namespace {

enum class Param {
    None,  // no parameter, or one the command reads itself
    Text,  // lower-cased
    Path,  // kept as typed: file systems here are case-sensitive
    Kuid,  // lower-cased and parsed strictly into CommandArgs::kuid
};

struct CommandRow {
    std::string_view name;
    Param param;
    // Error reported when the parameter is missing or empty; an empty text means it is optional.
    std::string_view missingMessage;
    // Further argument checks: report an Error and return false to fail before the operation.
    bool (*check)(ResultsLog&, const CommandArgs&);
    // Calls the operation; true when it succeeded.
    bool (*run)(ResultsLog&, AppContext&, const CommandArgs&);
};

std::string Lowered(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = Nox::AsciiLower(c);
    return out;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && Nox::EqualsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

bool Fail(ResultsLog& log, std::string_view message)
{
    log.AddResult(ResultSeverity::Error, message);
    return false;
}

std::span<char* const> ArgsFrom(const CommandArgs& a, int first)
{
    if (a.argc <= first)
        return {};
    return std::span<char* const>(a.argv + first, size_t(a.argc - first));
}

// ---- checks

bool CheckLanguage(ResultsLog& log, const CommandArgs& a)
{
    return IsKnownLanguageCode(a.parameter) || Fail(log, "Unknown language code.");
}

bool CheckFolderExists(ResultsLog& log, const CommandArgs& a)
{
    return Nox::File::IsFolder(a.parameter) || Fail(log, "Invalid input path.");
}

bool CheckScriptSource(ResultsLog& log, const CommandArgs& a)
{
    return EndsWithNoCase(a.parameter, "gs") || Fail(log, "Invalid file path.");
}

bool CheckCategoryAfterAll(ResultsLog& log, const CommandArgs& a)
{
    if (a.parameter != "-a")
        return true;
    bool present = a.argc > 3 && a.argv[3] && a.argv[3][0] != '\0';
    return present || Fail(log, "Missing category parameter.");
}

// The extension of the last path component, read from the text itself: a path object would refuse
// a name longer than it holds and report a ".cdp" name as having no extension.
bool HasExtensionNoCase(std::string_view path, std::string_view extension)
{
    size_t nameStart = path.find_last_of("/\\");
    std::string_view name = nameStart == std::string_view::npos ? path : path.substr(nameStart + 1);
    size_t dot = name.rfind('.');
    return dot != std::string_view::npos && Nox::EqualsIgnoreCase(name.substr(dot + 1), extension);
}

bool CheckPackageName(ResultsLog& log, const CommandArgs& a)
{
    return HasExtensionNoCase(a.argv[2], "cdp") || Fail(log, "The output filename must have a .cdp extension.");
}

// ---- operation adapters

bool DoVersion(ResultsLog& log, AppContext& c, const CommandArgs&) { return RunVersion(log, c); }
bool DoEcho(ResultsLog& log, AppContext& c, const CommandArgs& a) { return RunEcho(log, c, ArgsFrom(a, 2)); }
bool DoSetLanguage(ResultsLog& log, AppContext& c, const CommandArgs& a) { return RunSetLanguage(log, c, a.parameter); }
bool DoInstallCdp(ResultsLog& log, AppContext& c, const CommandArgs& a) { return RunInstallCdp(log, c, a.parameter); }
bool DoInstallFromPath(ResultsLog& log, AppContext& c, const CommandArgs& a)
{
    return RunInstallFromPath(log, c, a.parameter);
}
bool DoImportConsists(ResultsLog& log, AppContext& c, const CommandArgs& a)
{
    return RunImportConsists(log, c, a.parameter);
}
bool DoEdit(ResultsLog& log, AppContext& c, const CommandArgs& a) { return RunEdit(log, c, a.kuid); }
bool DoPrintConfig(ResultsLog& log, AppContext& c, const CommandArgs& a) { return RunPrintConfig(log, c, a.kuid); }
bool DoCompile(ResultsLog& log, AppContext& c, const CommandArgs& a) { return RunCompile(log, c, a.argc, a.argv); }
bool DoEncrypt(ResultsLog& log, AppContext& c, const CommandArgs& a) { return RunEncrypt(log, c, a.parameter); }
bool DoCommit(ResultsLog& log, AppContext& c, const CommandArgs& a) { return RunCommit(log, c, a.kuid); }
bool DoRevert(ResultsLog& log, AppContext& c, const CommandArgs& a) { return RunRevert(log, c, a.kuid); }
bool DoDelete(ResultsLog& log, AppContext& c, const CommandArgs& a) { return RunDelete(log, c, a.kuid); }
bool DoGenerateKuid(ResultsLog& log, AppContext& c, const CommandArgs&) { return RunGenerateKuid(log, c); }

bool DoRepairDatabase(ResultsLog& log, AppContext& c, const CommandArgs& a)
{
    int mode = a.parameter == "extended" ? 1 : a.parameter == "patcher" ? 2 : 0;
    return RunRepairDatabase(log, c, mode);
}

bool DoCompressTexture(ResultsLog& log, AppContext& c, const CommandArgs& a)
{
    return RunCompressTexture(log, c, ResolveTexturePath(a.parameter, Nox::File::GetCwd()));
}

bool DoAuthors(ResultsLog& log, AppContext& c, const CommandArgs&) { return RunAuthors(log, c); }

bool DoSearchByCategory(ResultsLog& log, AppContext& c, const CommandArgs& a)
{
    bool all = a.parameter == "-a";
    std::string expression = all ? std::string(a.argv[3]) : a.parameter;
    for (char& ch : expression)
        ch = Nox::AsciiUpper(ch);
    return RunSearchByCategory(log, c, expression, all ? 2 : 0);
}

bool DoStatus(ResultsLog& log, AppContext& c, const CommandArgs& a) { return RunStatus(log, c, a.kuid); }
bool DoValidate(ResultsLog& log, AppContext& c, const CommandArgs& a) { return RunValidate(log, c, a.kuid); }

bool DoCreateCdp(ResultsLog& log, AppContext& c, const CommandArgs& a)
{
    std::vector<KUID> kuids;
    for (char* text : ArgsFrom(a, 3))
        kuids.push_back(KUID::Parse(text, false));
    return RunCreateCdp(log, c, a.argv[2], kuids);
}

bool DoDlsParse(ResultsLog& log, AppContext& c, const CommandArgs& a) { return RunDlsParse(log, c, a.parameter); }
bool DoDlsDeleteAll(ResultsLog& log, AppContext& c, const CommandArgs&) { return RunDlsDeleteAll(log, c); }

bool DoBackupKeywords(ResultsLog& log, AppContext& c, const CommandArgs& a)
{
    return RunBackupKeywords(log, c, a.ParameterMissing() ? std::string_view("KeywordsBackup.dat") : a.parameter);
}

bool DoImportKeywords(ResultsLog& log, AppContext& c, const CommandArgs&) { return RunImportKeywords(log, c); }

constexpr std::string_view kMissingAsset = "Missing AssetID parameter.";

// Tested in this order; the first row whose name equals the lower-cased command word runs.
constexpr std::array kCommands = {
    CommandRow{"version", Param::None, {}, nullptr, DoVersion},
    CommandRow{"echo", Param::None, {}, nullptr, DoEcho},
    CommandRow{"setlanguage", Param::Text, "Missing input langauge id parameter.", CheckLanguage, DoSetLanguage},
    CommandRow{"installcdp", Param::Path, "Missing input filepath parameter.", nullptr, DoInstallCdp},
    CommandRow{"installfrompath", Param::Path, "Missing input path parameter.", CheckFolderExists, DoInstallFromPath},
    CommandRow{"importconsists", Param::Path, "Missing input path parameter.", nullptr, DoImportConsists},
    CommandRow{"edit", Param::Kuid, kMissingAsset, nullptr, DoEdit},
    CommandRow{"printconfig", Param::Kuid, kMissingAsset, nullptr, DoPrintConfig},
    CommandRow{"compile", Param::Path, "Invalid file path.", nullptr, DoCompile},
    CommandRow{"encrypt", Param::Path, "Invalid file path.", CheckScriptSource, DoEncrypt},
    CommandRow{"commit", Param::Kuid, kMissingAsset, nullptr, DoCommit},
    CommandRow{"revert", Param::Kuid, kMissingAsset, nullptr, DoRevert},
    CommandRow{"delete", Param::Kuid, kMissingAsset, nullptr, DoDelete},
    CommandRow{"generatekuid", Param::None, {}, nullptr, DoGenerateKuid},
    CommandRow{"repairdatabase", Param::Text, {}, nullptr, DoRepairDatabase},
    CommandRow{"compresstexture", Param::Path, kMissingAsset, nullptr, DoCompressTexture},
    CommandRow{"authors", Param::None, {}, nullptr, DoAuthors},
    CommandRow{"searchbycategory", Param::Text, {}, CheckCategoryAfterAll, DoSearchByCategory},
    CommandRow{"status", Param::Kuid, kMissingAsset, nullptr, DoStatus},
    CommandRow{"validate", Param::Kuid, kMissingAsset, nullptr, DoValidate},
    CommandRow{"createcdp", Param::Path, "Missing output path parameter.", CheckPackageName, DoCreateCdp},
    CommandRow{"dlsparse", Param::Path, "Missing CDP filepath.", nullptr, DoDlsParse},
    CommandRow{"dlsdeleteall", Param::None, {}, nullptr, DoDlsDeleteAll},
    CommandRow{"backupkeywords", Param::Path, {}, nullptr, DoBackupKeywords},
    CommandRow{"importkeywords", Param::None, {}, nullptr, DoImportKeywords},
};

} // namespace

bool IsKnownLanguageCode(std::string_view code)
{
    static constexpr std::string_view kCodes[] = {"US", "UK", "CN", "CZ", "NL", "FR", "DE",
                                                  "IT", "KR", "PL", "RU", "ES", "HU"};
    for (std::string_view known : kCodes)
        if (Nox::EqualsIgnoreCase(code, known))
            return true;
    return false;
}

std::string ResolveTexturePath(std::string_view parameter, std::string_view currentDirectory)
{
    // Tested on the text: a path object refuses long texts and would make a long absolute path relative.
    if (!parameter.empty() && Nox::FilePath::IsSeparator(parameter.front()))
        return std::string(parameter);
    std::string joined(currentDirectory);
    if (!joined.empty() && joined.back() != '/')
        joined += '/';
    joined.append(parameter);
    // Built as a plain string: the joined text may exceed what a path object holds.
    Nox::FilePath normalised;
    if (!normalised.Set(joined))
        return joined;
    normalised.Normalize();
    return normalised.str();
}

bool DispatchCommand(ResultsLog& log, AppContext& context, int argc, char** argv)
{
    CommandArgs args;
    args.argc = argc;
    args.argv = argv;
    if (argc >= 2 && argv[1])
        args.word = Lowered(argv[1]);
    args.hasParameter = argc >= 3 && argv[2];

    for (const CommandRow& row : kCommands) {
        if (row.name != args.word)
            continue;
        if (args.hasParameter)
            args.parameter = row.param == Param::Path ? std::string(argv[2]) : Lowered(argv[2]);
        if (!row.missingMessage.empty() && args.ParameterMissing())
            return !Fail(log, row.missingMessage);
        if (row.param == Param::Kuid)
            args.kuid = KUID::Parse(args.parameter, true);
        if (row.check && !row.check(log, args))
            return true;
        return !row.run(log, context, args);
    }
    log.AddResult(ResultSeverity::Error, kInvalidArgumentMessage);
    return true;
}
