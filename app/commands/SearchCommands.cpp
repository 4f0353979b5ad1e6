// Operations of the search commands: searchbycategory and authors.
#include "app/commands/CommandOperations.h"

bool RunSearchByCategory(ResultsLog& log, AppContext&, std::string_view, int)
{
    // No match: fails without a message. Else "+ N : assets matching the specified criteria" and
    // "+ #i : KUID" per match on the console.
    return ReportNotAvailable(log);
}

bool RunAuthors(ResultsLog& log, AppContext&)
{
    // One author name per line on the console, sorted, without repeats.
    return ReportNotAvailable(log);
}
