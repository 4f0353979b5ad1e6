// Operations of the search commands: searchbycategory and authors.
#include "app/commands/CommandOperations.h"

#include "assetdb/AssetDatabase.h"
#include "assetdb/AssetQuery.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

bool RunSearchByCategory(ResultsLog&, AppContext& context, std::string_view expression, int queryScope)
{
    VLXAssetQuery query;
    query.local = uint8_t(queryScope);
    query.categoryExpression = expression;
    const std::vector<KUID> matches = VLXQueryAssets(query);
    if (matches.empty())
        return false;

    FILE* out = ConsoleOf(context);
    std::fprintf(out, "+ %zu : assets matching the specified criteria\n", matches.size());
    for (size_t i = 0; i < matches.size(); ++i)
        std::fprintf(out, "+ #%zu : %s\n", i, matches[i].ToTagText().c_str());
    return true;
}

bool RunAuthors(ResultsLog&, AppContext& context)
{
    std::vector<int32_t> userIds;
    for (const KUID& kuid : VLXQueryAssets(VLXAssetQuery{}))
        userIds.push_back(kuid.userId);
    std::sort(userIds.begin(), userIds.end());
    userIds.erase(std::unique(userIds.begin(), userIds.end()), userIds.end());

    std::vector<std::string> names;
    {
        // Author names may come from the index's author table: read them under the lock.
        VLXDatabaseLock lock;
        for (int32_t userId : userIds)
            names.push_back(VLXAuthorName(userId));
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());

    FILE* out = ConsoleOf(context);
    for (const std::string& name : names)
        std::fprintf(out, "%s\n", name.c_str());
    return true;
}
