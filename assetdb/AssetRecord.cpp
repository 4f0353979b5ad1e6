// Search text and location rules of asset records.
#include "assetdb/AssetRecord.h"

bool VLXCategoryClassHas(std::string_view codes, std::string_view code)
{
    size_t start = 0;
    while (start <= codes.size()) {
        size_t end = codes.find(';', start);
        if (end == std::string_view::npos)
            end = codes.size();
        if (codes.substr(start, end - start) == code)
            return true;
        start = end + 1;
    }
    return false;
}

void VLXRebuildSearchText(VLXAssetRecord& record)
{
    // Parts are joined with ";" so that keyword and category matching see separate entries.
    static constexpr struct {
        std::string_view code;
        std::string_view word;
    } kCategoryWords[] = {
        {"ACTV", "interactive"}, {"LOCO", "locomotive"}, {"TEND", "tender"}, {"ROLL", "rollingstock"}};

    std::string& text = record.searchText;
    text.clear();
    auto append = [&text](std::string_view part) {
        if (part.empty())
            return;
        if (!text.empty())
            text += ';';
        text += part;
    };
    append(record.ShownName());
    append(record.keywords);
    for (const auto& entry : kCategoryWords)
        if (record.categoryClass.find(entry.code) != std::string::npos)
            append(entry.word);
}

void VLXApplyLocationRules(VLXAssetRecord& record)
{
    if (record.location == "base")
        record.permissions &= uint8_t(~kPermitCommit);
}
