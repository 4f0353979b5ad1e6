// Operations of the script commands: compile and encrypt.
#include "app/commands/CommandOperations.h"

bool RunCompile(ResultsLog& log, AppContext&, int, char**)
{
    // Runs the compiler driver in context.startDirectory with argv[1] blanked; fails on non-zero.
    return ReportNotAvailable(log);
}

bool RunEncrypt(ResultsLog& log, AppContext&, std::string_view)
{
    // Loads the source as a ScriptFile and saves it beside itself with extension "gse" (scrambled);
    // a failed copy reports "Invalid file path.".
    return ReportNotAvailable(log);
}
