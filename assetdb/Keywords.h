// Keyword backup and import: the records' keyword texts to and from a text soup keyed by KUID.
#pragma once

#include <string_view>

// Writes one tag per record, in record-array order: the KUID text as the name and the record's
// search text as the value; saved as `format` ("txt") at `folder`/`fileName` (`fileName` alone
// when `folder` is empty, so relative to the working directory). True when the file was saved.
bool VLXBackupKeywords(std::string_view folder, std::string_view fileName, std::string_view format);

// Reads a file of the same shape and gives every record whose KUID names a tag that tag's value
// as its keywords (search text rebuilt). Tags of KUIDs not in the index are skipped. False when
// the file cannot be read.
bool VLXImportKeywords(std::string_view folder, std::string_view fileName, std::string_view format);
