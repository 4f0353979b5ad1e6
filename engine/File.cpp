// Files, named sources and folder listing on POSIX.
#include "engine/File.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <mutex>

namespace Nox {

namespace {

struct Sources {
  std::mutex lock;
  std::string root;
  std::map<std::string, std::string, std::less<>> substitutes;
};

Sources& TheSources() {
  static Sources* sources = new Sources;
  return *sources;
}

std::string Slashed(std::string_view path) {
  std::string text(path);
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  return text;
}

std::string JoinPath(std::string_view a, std::string_view b) {
  std::string result(a);
  if (b.empty()) return result;
  if (result.empty()) return std::string(b);
  if (result.back() != '/') result += '/';
  while (!b.empty() && b.front() == '/') b.remove_prefix(1);
  result += b;
  return result;
}

bool IsAbsolutePath(std::string_view path) { return !path.empty() && path.front() == '/'; }

// A source-relative operation is only attempted once the path is absolute.
std::string ResolvedAbsolute(std::string_view source, std::string_view path) {
  std::string resolved = File::Resolve(source, path);
  return IsAbsolutePath(resolved) ? resolved : std::string();
}

const char* ModeString(unsigned mode) {
  if (mode & File::kAppend) return (mode & File::kRead) ? "a+b" : "ab";
  if (mode & File::kCreate) return (mode & (File::kRead | File::kUpdate)) ? "w+b" : "wb";
  if (mode & File::kUpdate) return "r+b";
  return "rb";
}

uint32_t Mix32(uint64_t value, uint32_t hash) {
  for (int i = 0; i < 8; ++i) {
    hash ^= static_cast<uint8_t>(value >> (i * 8));
    hash *= 16777619u;
  }
  return hash;
}

// FNV-1a over modification time (ns), size and inode: rewriting a file changes
// at least its modification time.
uint32_t ChangeValue(const struct stat& st) {
  uint32_t hash = 2166136261u;
  hash = Mix32(static_cast<uint64_t>(st.st_mtim.tv_sec), hash);
  hash = Mix32(static_cast<uint64_t>(st.st_mtim.tv_nsec), hash);
  hash = Mix32(static_cast<uint64_t>(st.st_size), hash);
  hash = Mix32(static_cast<uint64_t>(st.st_ino), hash);
  return hash;
}

}  // namespace

File::File(File&& other) noexcept
    : handle_(other.handle_), path_(std::move(other.path_)), eof_(other.eof_) {
  other.handle_ = nullptr;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    path_ = std::move(other.path_);
    eof_ = other.eof_;
    other.handle_ = nullptr;
  }
  return *this;
}

int File::Open(std::string_view path, unsigned mode) {
  Close();
  std::string diskPath = Slashed(path);
  if (diskPath.empty()) return ENOENT;
  if (IsFolder(diskPath)) return EISDIR;
  handle_ = std::fopen(diskPath.c_str(), ModeString(mode));
  if (!handle_) return errno ? errno : EIO;
  path_ = diskPath;
  eof_ = false;
  return 0;
}

int File::Open(std::string_view source, std::string_view path, unsigned mode) {
  return Open(Resolve(source, path), mode);
}

size_t File::Read(void* buffer, size_t count) {
  if (!handle_ || count == 0) return 0;
  size_t got = std::fread(buffer, 1, count, handle_);
  if (got < count) eof_ = true;
  return got;
}

size_t File::Write(const void* buffer, size_t count) {
  if (!handle_ || count == 0) return 0;
  return std::fwrite(buffer, 1, count, handle_);
}

bool File::ReadLine(char* buffer, size_t size) {
  if (!buffer || size == 0) return false;
  buffer[0] = '\0';
  if (!handle_) return false;
  size_t used = 0;
  while (used + 1 < size) {
    int c = std::fgetc(handle_);
    if (c == EOF) {
      eof_ = true;
      break;
    }
    buffer[used++] = static_cast<char>(c);
    if (c == '\n') break;
    if (c == '\r') {
      int next = std::fgetc(handle_);
      if (next == '\n' && used + 1 < size) {
        buffer[used++] = '\n';
      } else if (next != EOF) {
        std::ungetc(next, handle_);
      }
      break;
    }
  }
  buffer[used] = '\0';
  return used > 0;
}

bool File::Eof() const noexcept {
  if (!handle_ || eof_) return true;
  int c = std::fgetc(handle_);
  if (c == EOF) return true;
  std::ungetc(c, handle_);
  return false;
}

bool File::Seek(int64_t offset, Origin origin) {
  if (!handle_) return false;
  int whence = origin == Origin::Begin ? SEEK_SET : origin == Origin::Current ? SEEK_CUR : SEEK_END;
  if (fseeko(handle_, static_cast<off_t>(offset), whence) != 0) return false;
  eof_ = false;
  return true;
}

int64_t File::Tell() const {
  if (!handle_) return -1;
  return static_cast<int64_t>(ftello(handle_));
}

int64_t File::Size() const {
  if (!handle_) return -1;
  std::fflush(handle_);
  struct stat st {};
  if (fstat(fileno(handle_), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool File::Flush() { return handle_ && std::fflush(handle_) == 0; }

void File::Close() {
  if (handle_) {
    std::fclose(handle_);
    handle_ = nullptr;
  }
  path_.clear();
  eof_ = false;
}

int File::Exists(std::string_view path) {
  std::string diskPath = Slashed(path);
  struct stat st {};
  if (diskPath.empty()) return ENOENT;
  return stat(diskPath.c_str(), &st) == 0 ? 0 : (errno ? errno : ENOENT);
}

int File::Exists(std::string_view source, std::string_view path) {
  std::string resolved = ResolvedAbsolute(source, path);
  return resolved.empty() ? ENOENT : Exists(resolved);
}

bool File::IsFolder(std::string_view path) {
  struct stat st {};
  std::string diskPath = Slashed(path);
  return !diskPath.empty() && stat(diskPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool File::Rename(std::string_view from, std::string_view to) {
  std::string a = Slashed(from);
  std::string b = Slashed(to);
  return !a.empty() && !b.empty() && std::rename(a.c_str(), b.c_str()) == 0;
}

bool File::Rename(std::string_view source, std::string_view from, std::string_view to) {
  std::string a = ResolvedAbsolute(source, from);
  std::string b = ResolvedAbsolute(source, to);
  return !a.empty() && !b.empty() && Rename(a, b);
}

bool File::Unlink(std::string_view path) {
  std::string diskPath = Slashed(path);
  return !diskPath.empty() && ::unlink(diskPath.c_str()) == 0;
}

bool File::Unlink(std::string_view source, std::string_view path) {
  std::string resolved = ResolvedAbsolute(source, path);
  return !resolved.empty() && Unlink(resolved);
}

bool File::Md(std::string_view path) {
  std::string diskPath = Slashed(path);
  if (diskPath.empty()) return false;
  std::error_code error;
  std::filesystem::create_directories(diskPath, error);
  return IsFolder(diskPath);
}

bool File::Md(std::string_view source, std::string_view path) {
  std::string resolved = ResolvedAbsolute(source, path);
  return !resolved.empty() && Md(resolved);
}

bool File::Prune(std::string_view path) {
  std::string diskPath = Slashed(path);
  // "link/" would name the folder a link points to, and remove_all would empty it.
  while (diskPath.size() > 1 && diskPath.back() == '/') diskPath.pop_back();
  if (diskPath.empty()) return false;
  std::error_code error;
  std::filesystem::remove_all(diskPath, error);
  return !error && Exists(diskPath) != 0;
}

bool File::Prune(std::string_view source, std::string_view path) {
  std::string resolved = ResolvedAbsolute(source, path);
  return !resolved.empty() && Prune(resolved);
}

std::string File::GetCwd() {
  std::error_code error;
  std::string cwd = std::filesystem::current_path(error).string();
  return error ? std::string() : cwd;
}

void File::SetProgramRoot(std::string_view root) {
  std::string text = Slashed(root);
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  Sources& sources = TheSources();
  std::lock_guard guard(sources.lock);
  sources.root = text;
}

std::string File::GetProgramRoot() {
  Sources& sources = TheSources();
  std::lock_guard guard(sources.lock);
  return sources.root;
}

void File::Subst(std::string_view source, std::string_view folder) {
  Sources& sources = TheSources();
  std::lock_guard guard(sources.lock);
  sources.substitutes[std::string(source)] = Slashed(folder);
}

std::string File::Resolve(std::string_view source, std::string_view path) {
  std::string relative = Slashed(path);
  if (IsAbsolutePath(relative)) return relative;
  Sources& sources = TheSources();
  std::lock_guard guard(sources.lock);
  auto it = sources.substitutes.find(source);
  std::string folder;
  if (it != sources.substitutes.end()) {
    folder = IsAbsolutePath(it->second) ? it->second : JoinPath(sources.root, it->second);
  } else {
    folder = JoinPath(sources.root, Slashed(source));
  }
  return JoinPath(folder, relative);
}

bool ReadAll(std::string_view path, std::vector<uint8_t>& out) {
  out.clear();
  File file;
  if (file.Open(path, File::kRead) != 0) return false;
  int64_t size = file.Size();
  if (size < 0) return false;
  out.resize(static_cast<size_t>(size));
  if (file.Read(out.data(), out.size()) != out.size()) {
    out.clear();
    return false;
  }
  return true;
}

bool ReadAll(std::string_view source, std::string_view path, std::vector<uint8_t>& out) {
  return ReadAll(File::Resolve(source, path), out);
}

bool WriteAll(std::string_view path, const void* data, size_t size) {
  File file;
  if (file.Open(path, File::kCreate) != 0) return false;
  bool ok = size == 0 || file.Write(data, size) == size;
  ok = file.Flush() && ok;
  file.Close();
  return ok;
}

bool FileFind::Open(std::string_view pattern) {
  Close();
  std::string text = Slashed(pattern);
  size_t slash = text.rfind('/');
  std::string folder = slash == std::string::npos ? std::string(".") : text.substr(0, slash);
  if (slash == 0) folder = "/";
  std::string mask = slash == std::string::npos ? text : text.substr(slash + 1);
  if (mask.empty()) mask = "*";
  folder_ = slash == std::string::npos ? std::string() : folder;

  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  while (struct dirent* item = readdir(dir)) {
    std::string name = item->d_name;
    bool matchesAll = mask == "*" || mask == "*.*";
    if (!matchesAll && fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
    FindEntry entry;
    entry.name = name;
    struct stat st {};
    std::string full = JoinPath(folder, name);
    if (lstat(full.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
      entry.attributes |= FindEntry::kLink;
      entry.change = ChangeValue(st);  // a dangling link keeps the link's own values
    }
    if (stat(full.c_str(), &st) == 0) {
      if (S_ISDIR(st.st_mode)) {
        entry.attributes |= FindEntry::kFolder;
      } else {
        entry.size = static_cast<uint64_t>(st.st_size);
      }
      entry.change = ChangeValue(st);
    }
    entries_.push_back(std::move(entry));
  }
  closedir(dir);
  index_ = 0;
  return !entries_.empty();
}

bool FileFind::Open(std::string_view source, std::string_view pattern) {
  return Open(File::Resolve(source, pattern));
}

bool FileFind::Next() {
  if (index_ + 1 >= entries_.size()) {
    index_ = entries_.size();
    return false;
  }
  ++index_;
  return true;
}

void FileFind::Close() {
  entries_.clear();
  folder_.clear();
  index_ = 0;
}

const FindEntry& FileFind::Entry() const noexcept {
  static const FindEntry none;
  return index_ < entries_.size() ? entries_[index_] : none;
}

std::string FileFind::GetNameAndPath() const { return JoinPath(folder_, Entry().name); }

}  // namespace Nox
