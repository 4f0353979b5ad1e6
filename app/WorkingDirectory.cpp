// Working-directory changes through the standard library's file-system layer.
#include "app/WorkingDirectory.h"

#include "engine/File.h"

#include <filesystem>

std::string CurrentWorkingDirectory() { return Nox::File::GetCwd(); }

bool ChangeWorkingDirectory(std::string_view folder)
{
    std::error_code error;
    std::filesystem::current_path(std::filesystem::path(std::string(folder)), error);
    return !error;
}

ScopedWorkingDirectory::ScopedWorkingDirectory(std::string_view folder) : previous_(CurrentWorkingDirectory())
{
    ChangeWorkingDirectory(folder);
}

ScopedWorkingDirectory::~ScopedWorkingDirectory()
{
    if (!previous_.empty())
        ChangeWorkingDirectory(previous_);
}
