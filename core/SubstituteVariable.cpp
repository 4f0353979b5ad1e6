// Placeholder substitution of message templates.
#include "core/SubstituteVariable.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

size_t FindNoCase(const std::string& haystack, const std::string& needle, size_t from)
{
    if (needle.size() > haystack.size())
        return std::string::npos;
    for (size_t i = from; i + needle.size() <= haystack.size(); ++i) {
        size_t j = 0;
        while (j < needle.size() && Lower(haystack[i + j]) == Lower(needle[j]))
            ++j;
        if (j == needle.size())
            return i;
    }
    return std::string::npos;
}

} // namespace

void SubstituteVariable(std::string_view value, std::string& message, std::string_view variableName)
{
    std::string placeholder = "$(";
    placeholder.append(variableName);
    placeholder += ')';
    size_t pos = FindNoCase(message, placeholder, 0);
    while (pos != std::string::npos) {
        message.replace(pos, placeholder.size(), value);
        pos = FindNoCase(message, placeholder, pos + value.size());
    }
}
