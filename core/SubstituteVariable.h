// Fills the "$(NAME)" placeholders of a message text with a variable's value.
#pragma once

#include <string>
#include <string_view>

// Replaces every "$(" + variableName + ")" in `message` (found ignoring case) by `value`. The search
// resumes after each inserted value, so a value that contains the placeholder is not expanded again.
void SubstituteVariable(std::string_view value, std::string& message, std::string_view variableName);
