// Temporary paths, file-name cleaning and folder fingerprints.
#include "core/FileUtils.h"

#include <atomic>
#include <bit>
#include <vector>

#include "core/VelmarLog.h"
#include "engine/File.h"
#include "engine/Rand.h"

namespace {

std::atomic<uint32_t> temporaryPathCounter{0};

std::string Join(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  path += name;
  return path;
}

// Disk path of a (source, path) pair; an empty source means the plain path.
std::string OnDisk(std::string_view source, std::string_view path) {
  return source.empty() ? std::string(path) : Nox::File::Resolve(source, path);
}

bool Exists(std::string_view source, std::string_view path) {
  return source.empty() ? Nox::File::Exists(path) == 0 : Nox::File::Exists(source, path) == 0;
}

struct Listing {
  bool listed = false;
  std::vector<Nox::FindEntry> entries;  // without "." and ".."
};

Listing List(const std::string& folder) {
  Listing listing;
  Nox::File::Find find;
  for (bool ok = find.Open(Join(folder, "*")); ok; ok = find.Next()) {
    listing.listed = true;
    const Nox::FindEntry& entry = find.Entry();
    if (entry.name == "." || entry.name == "..") continue;
    listing.entries.push_back(entry);
  }
  return listing;
}

uint32_t HashTree(const std::string& folder) {
  Listing listing = List(folder);
  uint32_t h = 0;
  for (const Nox::FindEntry& entry : listing.entries) {
    // A linked folder counts as a leaf: following it could loop or leave the tree.
    if (entry.IsRealFolder()) {
      uint32_t f = HashTree(Join(folder, entry.name));
      h = (f + 11u) ^ std::rotl(h, 6);
    } else {
      h = std::rotl(h, 5) ^ entry.change;
    }
  }
  return h == 0 ? 1u : h;
}

bool TreeHasFiles(const std::string& folder) {
  for (const Nox::FindEntry& entry : List(folder).entries) {
    if (!entry.IsFolder()) return true;  // a linked file is a file too
    if (entry.IsRealFolder() && TreeHasFiles(Join(folder, entry.name))) return true;
  }
  return false;
}

}  // namespace

std::optional<std::string> CreateTemporaryFilePath(std::string_view source, std::string_view baseFolder,
                                                   std::string_view prefix, std::string_view extension,
                                                   std::string_view preferredName) {
  uint32_t counter = temporaryPathCounter.fetch_add(1) + 1;
  if (source.empty()) {
    Nox::File::Md(baseFolder);
  } else {
    Nox::File::Md(source, baseFolder);
  }
  auto withExtension = [&](std::string path) {
    if (!extension.empty()) {
      path += '.';
      path += extension;
    }
    return path;
  };

  if (!preferredName.empty()) {
    std::string path = withExtension(Join(baseFolder, SanitizeFileName(preferredName)));
    std::string disk = OnDisk(source, path);
    if (Nox::File::IsFolder(disk) && !TreeHasFiles(disk)) Nox::File::Prune(disk);
    if (!Exists(source, path)) return path;
  }

  static constexpr char kAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name(prefix);
    for (int i = 0; i < 8; ++i) name += kAlphabet[Nox::Rand::NextInt(0, 35)];
    name += std::to_string(counter);
    std::string path = withExtension(Join(baseFolder, name));
    if (!Exists(source, path)) return path;
  }
  ReportError("CreateTemporaryFilePath> unable to form valid temp path in 100 tries, at path '%s' with prefix '%s'",
              std::string(baseFolder).c_str(), std::string(prefix).c_str());
  return std::nullopt;
}

std::string SanitizeFileName(std::string_view text) {
  std::string name(text);
  for (char& c : name) {
    bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ' ';
    if (!keep) c = '_';
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

uint32_t FolderContentHash(std::string_view source, std::string_view folder) {
  return HashTree(OnDisk(source, folder));
}

bool FolderHasFiles(std::string_view source, std::string_view folder) {
  return TreeHasFiles(OnDisk(source, folder));
}
