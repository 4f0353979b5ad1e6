// Guarded command execution: an exception that escapes a command ends the process.
#include "app/CommandRunner.h"

#include "app/CommandTable.h"
#include "engine/Process.h"

bool RunGuarded(const std::function<bool()>& command)
{
    try {
        return command();
    } catch (...) {
        Nox::Process::TerminateProcess(kEscapedExceptionStatus);
    }
}

bool RunCommandGuarded(ResultsLog& log, AppContext& context, int argc, char** argv)
{
    return RunGuarded([&] { return DispatchCommand(log, context, argc, argv); });
}

bool RunAndPrintCommand(AppContext& context, int argc, char** argv)
{
    ResultsLog log;
    bool failed = RunCommandGuarded(log, context, argc, argv);
    log.PrintResults(ConsoleOf(context));
    return failed;
}
