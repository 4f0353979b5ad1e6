// Search text and location rules of asset records.
#include "assetdb/AssetRecord.h"

#include <cstring>

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

    // Every record of a loaded index passes through here: the parts are collected first so that
    // the text is sized once instead of growing part by part.
    std::string_view parts[2 + std::size(kCategoryWords)];
    size_t count = 0;
    size_t length = 0;
    auto collect = [&](std::string_view part) {
        if (part.empty())
            return;
        length += part.size() + (count ? 1 : 0);
        parts[count++] = part;
    };
    collect(record.ShownName());
    collect(record.keywords);
    const std::string_view codes = record.categoryClass;
    if (codes.size() >= 4)
        for (const auto& entry : kCategoryWords)
            if (codes.find(entry.code) != std::string_view::npos)
                collect(entry.word);

    std::string& text = record.searchText;
    text.resize(length);
    char* out = text.data();
    for (size_t i = 0; i < count; ++i) {
        if (i)
            *out++ = ';';
        std::memcpy(out, parts[i].data(), parts[i].size());
        out += parts[i].size();
    }
}

void VLXApplyLocationRules(VLXAssetRecord& record)
{
    if (record.location == "base")
        record.permissions &= uint8_t(~kPermitCommit);
}
