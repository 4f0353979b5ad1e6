// Start-up in its fixed order (validation data, engine objects, database) and the matching tear-down.
#include "app/Application.h"

#include "app/DatabaseSeam.h"
#include "app/ValidationSeam.h"
#include "app/WorkingDirectory.h"
#include "core/VelmarLog.h"
#include "engine/Log.h"
#include "engine/Path.h"
#include "engine/Process.h"
#include "engine/Rand.h"
#include "engine/Render.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

void WriteError(std::string_view line)
{
    fwrite(line.data(), 1, line.size(), stderr);
    fputc('\n', stderr);
}

// Held for the life of the process once start-up found it.
Nox::PluginHandle& ImagePlugin()
{
    static Nox::PluginHandle handle;
    return handle;
}

} // namespace

std::string FolderOfProgram(std::string_view programPath)
{
    std::string folder(programPath);
    for (char& c : folder)
        if (c == '\\')
            c = '/';
    size_t slash = folder.rfind('/');
    folder.erase(slash == std::string::npos ? 0 : slash + 1);
    return folder;
}

std::string ParentFolder(std::string_view folder)
{
    std::string parent(folder);
    while (parent.size() > 1 && parent.back() == '/')
        parent.pop_back();
    size_t slash = parent.rfind('/');
    parent.erase(slash == std::string::npos ? 0 : slash + 1);
    return parent;
}

std::string OwnershipPathOf(std::string_view programPath)
{
    return ParentFolder(FolderOfProgram(programPath)) + "assets.tdx";
}

bool IsPatcherCall(int argc, char** argv)
{
    return argc >= 3 && std::strcmp(argv[1], "repairdatabase") == 0 && std::strcmp(argv[2], "patcher") == 0;
}

bool HasNorenderWord(int argc, char** argv)
{
    for (int i = 0; i < argc; ++i)
        if (argv[i] && strcasecmp(argv[i], "norender") == 0)
            return true;
    return false;
}

int InitialiseApplication(AppContext& context, const char* argv0, int argc, char** argv)
{
    CreateValidationErrorHandler();

    // The program's own path, not argv0: the program may be started through a link or PATH.
    (void)argv0;
    std::string programPath = Nox::Process::ProgramPath();
    Nox::FilePath normalised;
    if (normalised.Set(programPath)) {
        normalised.Normalize();
        programPath = normalised.str();
    }
    context.programFolder = FolderOfProgram(programPath);
    context.installRoot = ParentFolder(context.programFolder);
    context.startDirectory = CurrentWorkingDirectory();
    ChangeWorkingDirectory(context.programFolder);

    context.validationFolder = context.programFolder + "KMXData/";
    if (!InitialiseValidationLibrary(context.validationFolder)) {
        WriteError("- KMXLib initialisation failed.");
        return 255;
    }

    context.norender = HasNorenderWord(argc, argv);
    context.os = new Nox::OS("Velmar Util", context.norender ? "-NullRender -LogFile=/dev/null"
                                                             : "-render=OpenGL -hidewindow -LogFile=/dev/null");
    context.resourceSystem = new Nox::ResourceSystem();
    context.renderKernel = new Nox::RenderKernel(nullptr, 8.0f);
    if (!context.os->Init()) {
        WriteError("- Nox OS initialisation failed.");
        return 255;
    }
    Nox::Options& options = context.os->GetOptions();
    options.Init("VelmarUtil", "");
    Nox::Log::Init(options.Raw());
    context.resourceSystem->Init(options);
    Nox::Rand::Randomise();
    if (!context.renderKernel->Init(*context.os)) {
        WriteError("- Unable to initialize render system\n");
        return 255;
    }

    AttachValidationToEngine(context);

    // Named sources such as "data" resolve under the installation root.
    std::string root = context.installRoot;
    if (root.size() > 1 && root.back() == '/')
        root.pop_back();
    SetProgramRoot(root);
    OpenDatabase(context.installRoot);

    if (auto id = Nox::UId::FromText(Nox::PluginBase::kImageTypeId))
        ImagePlugin() = Nox::PluginBase::LookupPluginType(*id, "bmp");
    return 0;
}

void ShutdownApplication(AppContext& context)
{
    CloseDatabase();
    CloseIpcController();
    ReleaseValidationLibrary();
    delete context.renderKernel;
    delete context.resourceSystem;
    delete context.os;
    context.renderKernel = nullptr;
    context.resourceSystem = nullptr;
    context.os = nullptr;
    DeleteValidationErrorHandler();
}
