// The help text printed by "VelmarUtil help" and by a call without a command.
#pragma once

#include <string_view>

// 42 lines, each ending with a line feed.
std::string_view HelpText();
