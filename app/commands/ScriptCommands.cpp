// Operations of the script commands: compile and encrypt.
#include "app/commands/CommandOperations.h"
#include "app/WorkingDirectory.h"
#include "engine/Path.h"
#include "soup/ScriptFile.h"

bool RunCompile(ResultsLog& log, AppContext&, int, char**)
{
    // Runs the compiler driver in context.startDirectory with argv[1] blanked; fails on non-zero.
    return ReportNotAvailable(log);
}

bool RunEncrypt(ResultsLog& log, AppContext& context, std::string_view sourcePath)
{
    // Loads the source as a ScriptFile and saves it beside itself with extension "gse" (scrambled),
    // working in the start directory so relative paths mean what the user typed.
    ScopedWorkingDirectory inStartDirectory(context.startDirectory);
    Nox::File::Path target(sourcePath);
    ScriptFile script;
    if (!target.SetExt("gse") || !script.Load({}, sourcePath) || !script.Save({}, target.view())) {
        log.AddResult(ResultSeverity::Error, "Invalid file path.");
        return false;
    }
    return true;
}
