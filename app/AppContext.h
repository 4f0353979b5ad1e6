// The start-up record shared by the entry point, the dispatcher and the command operations.
#pragma once

#include <cstdio>
#include <string>

namespace Nox {
class ResourceSystem;
class RenderKernel;
class OS;
} // namespace Nox

// Filled by InitialiseApplication and released by ShutdownApplication. The first five fields are
// the engine objects; the rest is what the commands need to know about the installation.
struct AppContext {
    Nox::ResourceSystem* resourceSystem = nullptr;
    Nox::RenderKernel* renderKernel = nullptr;
    void* reserved[2] = {nullptr, nullptr}; // left empty by start-up
    Nox::OS* os = nullptr;

    std::string programFolder;    // folder of the program file, with a trailing '/'
    std::string installRoot;      // parent of the program folder, with a trailing '/'
    std::string startDirectory;   // working directory the process was started in
    std::string validationFolder; // the "KMXData/" folder beside the program
    bool norender = false;        // "norender" was on the real command line

    // Where commands write their direct console output (results go through the log); stdout when null.
    FILE* console = nullptr;
};

inline FILE* ConsoleOf(const AppContext& context) { return context.console ? context.console : stdout; }
