// Entry sequence: ownership controller, help, start-up, one command or a batch file, tear-down.
#include "app/EntryPoint.h"

#include "app/Application.h"
#include "app/BatchFile.h"
#include "app/CommandRunner.h"
#include "app/DatabaseSeam.h"
#include "app/HelpText.h"
#include "core/VelmarLog.h"
#include "engine/Process.h"

#include <cstdio>
#include <string>
#include <strings.h>

namespace {

void PrintHelp()
{
    std::string_view text = HelpText();
    fwrite(text.data(), 1, text.size(), stdout);
    fputc('\n', stdout);
}

} // namespace

int RunVelmarUtil(int argc, char** argv)
{
    bool patcher = IsPatcherCall(argc, argv);
    if (!OpenIpcController(OwnershipPathOf(Nox::Process::ProgramPath()), patcher)) {
        fprintf(stderr, "- Unable to open IPC controller %d\n", patcher ? 1 : 0);
        return -1;
    }
    if (argc < 2) {
        PrintHelp();
        CloseIpcController();
        return -1;
    }
    if (strcasecmp(argv[1], "help") == 0) {
        PrintHelp();
        CloseIpcController();
        return 0;
    }

    AppContext context;
    if (InitialiseApplication(context, argv[0], argc, argv) != 0)
        return -1;
    SetApplicationName("VelmarUtil");

    int status = 0;
    if (argv[1][0] == '@') {
        BatchStatus batch = RunBatchFile(context, argv[1] + 1, argv[0]);
        if (batch == BatchStatus::FileMissing) {
            ShutdownApplication(context);
            return -1;
        }
        if (batch == BatchStatus::SomeFailed)
            status = 255;
    } else if (RunAndPrintCommand(context, argc, argv)) {
        status = 255;
    }

    ShutdownApplication(context);
    Nox::Process::TerminateProcess(status);
}
