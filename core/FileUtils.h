// File utilities: unique temporary paths, clean file names, folder fingerprints.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A path inside baseFolder that does not exist yet, or nullopt after 100 failed
// tries (reported to the engine log). The base folder (with missing parents)
// is created first, inside the named source when one is given. With a
// preferred name the path is baseFolder/SanitizeFileName(preferredName)[.ext]
// when that is free (an existing folder there without files is removed first);
// otherwise baseFolder/<prefix><8 random [0-9a-z]><counter>[.ext]. The result
// has the same form as baseFolder (source-relative when a source is given).
std::optional<std::string> CreateTemporaryFilePath(std::string_view source, std::string_view baseFolder,
                                                   std::string_view prefix, std::string_view extension = {},
                                                   std::string_view preferredName = {});

// Every character other than ASCII letters, digits, '_' and space becomes '_';
// trailing spaces are removed.
std::string SanitizeFileName(std::string_view text);

// 32-bit fingerprint of a folder tree (empty source: plain path). Empty and
// unlistable folders give 1. Linked folders inside the tree are not entered.
uint32_t FolderContentHash(std::string_view source, std::string_view folder);

// True when the folder or any folder below it holds a file (a linked file
// counts; linked folders are not entered).
bool FolderHasFiles(std::string_view source, std::string_view folder);
