// Keyword backup and import through text soups keyed by KUID.
#include "assetdb/Keywords.h"

#include "assetdb/AssetDatabase.h"
#include "soup/ACSConverter.h"
#include "soup/SoupRef.h"

#include <cstring>
#include <string>

namespace {

std::string FilePath(std::string_view folder, std::string_view fileName)
{
    std::string path(folder);
    if (!path.empty() && path.back() != '/' && path.back() != '\\')
        path += '/';
    path += fileName;
    return path;
}

// The value of a data tag as text (what SoupRef::GetString gives for it); empty for containers.
std::string TagText(const ACSChunk& tag)
{
    const ChunkKind kind = tag.GetKind();
    if (kind == ChunkKind::Container || kind == ChunkKind::Null)
        return {};
    const RawValue text = ConvertValue(kind, tag.GetValue(), ChunkKind::Text);
    if (!text)
        return {};
    const char* bytes = reinterpret_cast<const char*>(text->Data());
    return std::string(bytes, strnlen(bytes, text->Size()));
}

} // namespace

bool VLXBackupKeywords(std::string_view folder, std::string_view fileName, std::string_view format)
{
    SoupRef soup = SoupRef::NewContainer();
    {
        VLXDatabaseLock lock;
        if (!lock)
            return false;
        // Tags are appended directly: the KUIDs are unique, so the setters' search for an existing
        // tag of the same name would only cost time on large indexes.
        for (const VLXAssetRecordRef& record : VLXIndex().array) {
            const std::string& text = record->searchText;
            soup->AddChild(Nox::PString(record->kuid.ToTagText()),
                           soup->CreateChunk(ChunkKind::Text, text.empty() ? RawValue() : ACSRawDataCore::FromText(text)));
        }
    }
    return soup.Save({}, FilePath(folder, fileName), format);
}

bool VLXImportKeywords(std::string_view folder, std::string_view fileName, std::string_view format)
{
    SoupRef soup;
    if (!soup.Load({}, FilePath(folder, fileName), format) || !soup)
        return false;

    VLXDatabaseLock lock(VLXDatabaseLock::Options{.write = true});
    if (!lock)
        return false;
    VLXAssetIndex& index = VLXIndex();
    bool changed = false;
    const size_t count = soup->GetChildCount();
    for (size_t i = 0; i < count; ++i) {
        VLXAssetRecord* record = index.Lookup(KUID::Parse(soup->GetChildName(i).view(), false));
        if (!record)
            continue;
        std::string keywords = TagText(*soup->GetChildAt(i));
        if (keywords == record->keywords)
            continue;
        record->keywords = std::move(keywords);
        VLXRebuildSearchText(*record);
        changed = true;
    }
    // Each run is its own process: keywords that are not written with the index are lost at exit.
    if (changed)
        VLXMarkChanged(kChangedRecords);
    return true;
}
