// Placeholder substitution of message templates.
#include "core/SubstituteVariable.h"

#include "engine/TextFormat.h"

void SubstituteVariable(std::string_view value, std::string& message, std::string_view variableName)
{
    std::string placeholder = "$(";
    placeholder.append(variableName);
    placeholder += ')';
    size_t pos = Nox::FindIgnoreCase(message, placeholder, 0);
    while (pos != std::string::npos) {
        message.replace(pos, placeholder.size(), value);
        pos = Nox::FindIgnoreCase(message, placeholder, pos + value.size());
    }
}
