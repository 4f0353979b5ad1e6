// The command dispatcher: recognises the command word, checks the arguments, runs the operation.
#pragma once

#include "app/AppContext.h"
#include "app/results/ResultsLog.h"
#include "core/KUID.h"

#include <string>
#include <string_view>

inline constexpr std::string_view kInvalidArgumentMessage =
    "Invalid argument, please check the help for the list of valid argument\n";
inline constexpr std::string_view kBuildNumber = "39979";

// The arguments of one command as the dispatcher prepared them.
struct CommandArgs {
    int argc = 0;
    char** argv = nullptr;   // unchanged
    std::string word;        // argv[1], lower-cased; empty when absent
    bool hasParameter = false;
    std::string parameter;   // argv[2]: lower-cased, except for path parameters which stay as typed
    KUID kuid;               // strict parse of the parameter, for commands that take a KUID

    bool ParameterMissing() const { return !hasParameter || parameter.empty(); }
};

// Runs argv[1] with its arguments (argv[0] is the program). Returns true when the command failed.
bool DispatchCommand(ResultsLog& log, AppContext& context, int argc, char** argv);

// The language codes accepted by setlanguage.
bool IsKnownLanguageCode(std::string_view code);

// The texture path of compresstexture: an absolute path (starting with '/') is used unchanged,
// anything else is joined to the current working directory and normalised.
std::string ResolveTexturePath(std::string_view parameter, std::string_view currentDirectory);
