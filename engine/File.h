// Nox::File: files on disk, named sources under the program root, and folder listing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Path.h"

namespace Nox {

class FileFind;

// An open file. Results follow the engine: Open gives 0 on success and a
// non-zero error code (errno) otherwise; nothing throws.
//
// Named sources: a source name such as "data" stands for a folder. Unless
// Subst mapped it elsewhere, source S and relative path P resolve to
// <program root>/S/P. An empty source name means P is used as given (relative
// paths then follow the current directory). An absolute P ignores the source.
class File {
 public:
  using Path = FilePath;
  using Find = FileFind;

  // Open modes (bits). kCreate creates or truncates the file for writing;
  // kCreate | kRead (0x101) also allows reading it back. kUpdate opens an
  // existing file for reading and writing without truncating it.
  static constexpr unsigned kRead = 0x001;
  static constexpr unsigned kUpdate = 0x002;
  static constexpr unsigned kCreate = 0x100;
  static constexpr unsigned kAppend = 0x200;

  enum class Origin { Begin, Current, End };

  File() = default;
  ~File() { Close(); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;

  int Open(std::string_view path, unsigned mode = kRead);
  int Open(std::string_view source, std::string_view path, unsigned mode);
  bool IsOpen() const noexcept { return handle_ != nullptr; }
  const std::string& OpenedPath() const noexcept { return path_; }

  // Bytes transferred (short on end of file or error).
  size_t Read(void* buffer, size_t count);
  size_t Write(const void* buffer, size_t count);
  bool Write(std::string_view text) { return Write(text.data(), text.size()) == text.size(); }
  // Reads one line into buffer (at most size - 1 characters, always
  // NUL-terminated). The line terminator ("\n", "\r\n" or "\r") is kept when
  // it fits, as fgets keeps it. Returns false when nothing could be read.
  bool ReadLine(char* buffer, size_t size);
  // True when no byte is left to read (so a loop "read a line, handle it, stop
  // at Eof" sees no empty line after a final line end); true when not open.
  bool Eof() const noexcept;
  bool Seek(int64_t offset, Origin origin = Origin::Begin);
  int64_t Tell() const;
  // Size in bytes, -1 when not open.
  int64_t Size() const;
  bool Flush();
  void Close();

  // Statics on paths; each has a (source, path) twin resolved as described above.
  // Exists: 0 when a file or folder exists at the path, non-zero otherwise.
  static int Exists(std::string_view path);
  static int Exists(std::string_view source, std::string_view path);
  static bool IsFolder(std::string_view path);
  static bool Rename(std::string_view from, std::string_view to);
  static bool Rename(std::string_view source, std::string_view from, std::string_view to);
  static bool Unlink(std::string_view path);
  static bool Unlink(std::string_view source, std::string_view path);
  // Creates the folder and every missing folder above it; true when it exists afterwards.
  static bool Md(std::string_view path);
  static bool Md(std::string_view source, std::string_view path);
  // Removes a folder with everything inside it (also removes a plain file).
  // Symbolic links are removed, never followed: nothing outside the tree goes.
  static bool Prune(std::string_view path);
  static bool Prune(std::string_view source, std::string_view path);
  static std::string GetCwd();

  // Program root for named sources (no trailing slash).
  static void SetProgramRoot(std::string_view root);
  static std::string GetProgramRoot();
  // Maps a source name to a folder (absolute, or relative to the program root).
  static void Subst(std::string_view source, std::string_view folder);
  // The disk path that (source, path) stands for, with '/' separators.
  static std::string Resolve(std::string_view source, std::string_view path);

 private:
  std::FILE* handle_ = nullptr;
  std::string path_;
  bool eof_ = false;
};

// Reads a whole file in one block; false (out emptied) when it cannot be read.
bool ReadAll(std::string_view path, std::vector<uint8_t>& out);
bool ReadAll(std::string_view source, std::string_view path, std::vector<uint8_t>& out);
// Creates or truncates a file and writes the bytes; false on any failure.
bool WriteAll(std::string_view path, const void* data, size_t size);

// One entry of a folder listing.
struct FindEntry {
  std::string name;
  uint64_t size = 0;
  uint32_t attributes = 0;  // kFolder for folders, kLink for symbolic links
  uint32_t change = 0;      // changes whenever the file is rewritten
  static constexpr uint32_t kFolder = 0x10;
  // A symbolic link; kFolder and the size describe what it points to. Walks
  // over a tree must not descend into linked folders: a link to a folder above
  // makes the tree endless and leads out of it.
  static constexpr uint32_t kLink = 0x400;
  bool IsFolder() const noexcept { return (attributes & kFolder) != 0; }
  bool IsLink() const noexcept { return (attributes & kLink) != 0; }
  // A folder that is really inside the listed folder (not reached through a link).
  bool IsRealFolder() const noexcept { return IsFolder() && !IsLink(); }
};

// Lists the entries of a folder that match a pattern whose last component may
// hold '*' and '?' ("dir/*", "dir/*.txt"). Entries come in the order the file
// system returns them, "." and ".." included when the pattern matches them.
//   Nox::File::Find find;
//   for (bool ok = find.Open("dir/*"); ok; ok = find.Next()) use(find.Entry());
class FileFind {
 public:
  FileFind() = default;
  ~FileFind() { Close(); }
  FileFind(const FileFind&) = delete;
  FileFind& operator=(const FileFind&) = delete;

  // Lists the pattern and moves to the first entry; false when the folder
  // cannot be listed or nothing matches.
  bool Open(std::string_view pattern);
  bool Open(std::string_view source, std::string_view pattern);
  // Moves to the next entry; false at the end.
  bool Next();
  void Close();

  // The current entry (an empty one when the listing is exhausted).
  const FindEntry& Entry() const noexcept;
  const std::string& GetName() const noexcept { return Entry().name; }
  uint64_t GetSize() const noexcept { return Entry().size; }
  uint32_t GetAttributes() const noexcept { return Entry().attributes; }
  uint32_t GetChange() const noexcept { return Entry().change; }
  bool IsFolder() const noexcept { return Entry().IsFolder(); }
  bool IsLink() const noexcept { return Entry().IsLink(); }
  bool IsRealFolder() const noexcept { return Entry().IsRealFolder(); }
  // The folder of the pattern joined with the entry's name.
  std::string GetNameAndPath() const;
  // The folder part of the pattern (with '/' separators, no trailing slash).
  const std::string& Folder() const noexcept { return folder_; }

 private:
  std::string folder_;
  std::vector<FindEntry> entries_;
  size_t index_ = 0;
};

}  // namespace Nox
