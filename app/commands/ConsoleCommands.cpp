// The commands that only write to the console: version and echo.
#include "app/CommandTable.h"
#include "app/commands/CommandOperations.h"

#include <string>

bool RunVersion(ResultsLog&, AppContext& context)
{
    std::string line = "Build " + std::string(kBuildNumber) + "\n";
    fwrite(line.data(), 1, line.size(), ConsoleOf(context));
    return true;
}

bool RunEcho(ResultsLog&, AppContext& context, std::span<char* const> words)
{
    std::string line;
    for (const char* word : words) {
        line += word ? word : "";
        line += ' ';
    }
    line += '\n';
    fwrite(line.data(), 1, line.size(), ConsoleOf(context));
    return true;
}

bool ReportNotAvailable(ResultsLog& log)
{
    log.AddResult(ResultSeverity::Error, "This command is not available yet.");
    return false;
}
