// The process's current working directory: read it and change it.
#pragma once

#include <string>
#include <string_view>

std::string CurrentWorkingDirectory();
// False when the folder cannot be entered.
bool ChangeWorkingDirectory(std::string_view folder);

// Enters a folder for the lifetime of the object and returns to the previous one afterwards
// (commands that work on the user's relative paths run in the start directory).
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(std::string_view folder);
    ~ScopedWorkingDirectory();
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

private:
    std::string previous_;
};
