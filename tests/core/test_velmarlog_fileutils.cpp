// Error reporting, main-thread identity, program root and the file utilities.
#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "core/FileUtils.h"
#include "core/VelmarLog.h"
#include "engine/File.h"
#include "engine/Log.h"

namespace {

class LogCapture {
 public:
  LogCapture() {
    Nox::Log::SetObserver([this](int level, std::string_view line) {
      lines.push_back(std::to_string(level) + ":" + std::string(line));
    });
  }
  ~LogCapture() { Nox::Log::SetObserver({}); }
  std::vector<std::string> lines;
};

class ScratchFolder : public TempFolder {
 public:
  void Write(const std::string& name, const std::string& text) const {
    ASSERT_TRUE(Nox::WriteAll(*this / name, text.data(), text.size()));
  }
};

// True when path is folder + "/" + prefix + 8 characters of [0-9a-z] + a
// decimal counter + extension.
bool IsTemporaryName(const std::string& path, const std::string& folder, const std::string& prefix,
                     const std::string& extension = "") {
  std::string head = folder.empty() ? prefix : folder + "/" + prefix;
  if (path.size() < head.size() + 9 + extension.size() || path.compare(0, head.size(), head) != 0) return false;
  if (path.compare(path.size() - extension.size(), extension.size(), extension) != 0) return false;
  std::string middle = path.substr(head.size(), path.size() - head.size() - extension.size());
  for (size_t i = 0; i < middle.size(); ++i) {
    char c = middle[i];
    bool digit = c >= '0' && c <= '9';
    if (i < 8 ? !(digit || (c >= 'a' && c <= 'z')) : !digit) return false;
  }
  return true;
}

}  // namespace

TEST(VelmarLog, RaiseErrorLogsAndThrowsVelmarEx) {
  LogCapture log;
  try {
    RaiseError("bad %d", 5);
    FAIL() << "RaiseError returned";
  } catch (const VelmarEx& ex) {
    EXPECT_STREQ(ex.Description(), "Velmar Error");
    EXPECT_EQ(ex.Message(), "bad 5");
    EXPECT_EQ(ex.Source(), "VelmarLog");
    EXPECT_EQ(ex.Line(), 53);
    EXPECT_STREQ(ex.what(), "VelmarLog(53): bad 5");
  }
  ReportError("plain %s %%d", "text");
  EXPECT_EQ(log.lines, (std::vector<std::string>{"2:bad 5", "2:plain text %d"}));
}

TEST(VelmarLog, MainThreadIsTheOneThatSetTheName) {
  SetApplicationName("VelmarUtil");
  EXPECT_EQ(GetApplicationName(), "VelmarUtil");
  EXPECT_TRUE(IsMainThread());
  bool otherIsMain = true;
  std::thread([&] { otherIsMain = IsMainThread(); }).join();
  EXPECT_FALSE(otherIsMain);
}

TEST(VelmarLog, ProgramRootIsStoredWithoutTrailingSlash) {
  std::string saved = GetProgramRoot();
  SetProgramRoot("/opt/velmar/");
  EXPECT_EQ(GetProgramRoot(), "/opt/velmar");
  EXPECT_EQ(Nox::File::Resolve("data", "x.txt"), "/opt/velmar/data/x.txt");
  SetProgramRoot(saved);
}

TEST(FileUtils, SanitizeFileName) {
  struct Case {
    const char* input;
    const char* expected;
  };
  const Case cases[] = {
      {"My Loco: v2 (new)  ", "My Loco_ v2 _new_"},
      {"plain_Name 09", "plain_Name 09"},
      {"a/b\\c.d", "a_b_c_d"},
      {"   ", ""},
      {"", ""},
      {" lead", " lead"},
      {"caf\xC3\xA9", "caf__"},  // each byte of a UTF-8 sequence is replaced
  };
  for (const Case& c : cases) EXPECT_EQ(SanitizeFileName(c.input), c.expected) << c.input;
}

TEST(FileUtils, CreateTemporaryFilePath) {
  ScratchFolder scratch;
  std::string base = scratch / "cache/temp";
  auto path = CreateTemporaryFilePath("", base, "content ");
  ASSERT_TRUE(path.has_value());
  EXPECT_TRUE(Nox::File::IsFolder(base));  // base folder created with its parents
  EXPECT_TRUE(IsTemporaryName(*path, base, "content ")) << *path;
  EXPECT_NE(Nox::File::Exists(*path), 0);

  auto withExtension = CreateTemporaryFilePath("", base, "edit ", "txt");
  ASSERT_TRUE(withExtension.has_value());
  EXPECT_TRUE(IsTemporaryName(*withExtension, base, "edit ", ".txt")) << *withExtension;
  EXPECT_NE(*path, *withExtension);

  // Preferred name: used when free; an empty folder there is removed first.
  auto preferred = CreateTemporaryFilePath("", base, "temp", "", "My Loco: v2");
  EXPECT_EQ(preferred.value_or(""), base + "/My Loco_ v2");
  ASSERT_TRUE(Nox::File::Md(base + "/My Loco_ v2/empty/inner"));
  EXPECT_EQ(CreateTemporaryFilePath("", base, "temp", "", "My Loco: v2").value_or(""), base + "/My Loco_ v2");
  EXPECT_NE(Nox::File::Exists(base + "/My Loco_ v2"), 0);
  // A folder with files stays and a random name is formed instead.
  ASSERT_TRUE(Nox::File::Md(base + "/Kept"));
  scratch.Write("cache/temp/Kept/f", "x");
  auto fallback = CreateTemporaryFilePath("", base, "temp", "", "Kept");
  ASSERT_TRUE(fallback.has_value());
  EXPECT_TRUE(IsTemporaryName(*fallback, base, "temp")) << *fallback;
  EXPECT_EQ(Nox::File::Exists(base + "/Kept/f"), 0);

  // Named source: resolved under the program root, result in the source's terms.
  std::string saved = GetProgramRoot();
  SetProgramRoot(scratch.path());
  auto inSource = CreateTemporaryFilePath("local", "work", "unknown");
  ASSERT_TRUE(inSource.has_value());
  EXPECT_TRUE(IsTemporaryName(*inSource, "work", "unknown")) << *inSource;
  EXPECT_TRUE(Nox::File::IsFolder(scratch / "local/work"));
  SetProgramRoot(saved);
}

TEST(FileUtils, FolderContentHashAndFolderHasFiles) {
  ScratchFolder scratch;
  ASSERT_TRUE(Nox::File::Md(scratch / "empty"));
  ASSERT_TRUE(Nox::File::Md(scratch / "onlyfolders/a/b"));
  EXPECT_EQ(FolderContentHash("", scratch / "empty"), 1u);
  EXPECT_EQ(FolderContentHash("", scratch / "missing"), 1u);
  EXPECT_FALSE(FolderHasFiles("", scratch / "empty"));
  EXPECT_FALSE(FolderHasFiles("", scratch / "onlyfolders"));
  EXPECT_FALSE(FolderHasFiles("", scratch / "missing"));

  // One file: h = rotl(0, 5) ^ change = change.
  ASSERT_TRUE(Nox::File::Md(scratch / "one"));
  scratch.Write("one/f.txt", "data");
  Nox::File::Find find;
  ASSERT_TRUE(find.Open(scratch / "one/f.txt"));
  uint32_t change = find.GetChange();
  EXPECT_EQ(FolderContentHash("", scratch / "one"), change == 0 ? 1u : change);
  EXPECT_TRUE(FolderHasFiles("", scratch / "one"));

  // A sub-folder holding only that file: h = (f + 11) ^ rotl(0, 6) = f + 11.
  ASSERT_TRUE(Nox::File::Md(scratch / "outer"));
  ASSERT_TRUE(Nox::File::Rename(scratch / "one", scratch / "outer/one"));
  uint32_t inner = FolderContentHash("", scratch / "outer/one");
  EXPECT_EQ(FolderContentHash("", scratch / "outer"), inner + 11u);
  EXPECT_TRUE(FolderHasFiles("", scratch / "outer"));

  // Rewriting a file changes the fingerprint of every folder above it.
  uint32_t before = FolderContentHash("", scratch / "outer");
  struct timespec pause {0, 20000000};
  nanosleep(&pause, nullptr);
  scratch.Write("outer/one/f.txt", "data");
  EXPECT_NE(FolderContentHash("", scratch / "outer"), before);

  std::string saved = GetProgramRoot();
  SetProgramRoot(scratch.path());
  EXPECT_EQ(FolderContentHash("outer", "one"), FolderContentHash("", scratch / "outer/one"));
  EXPECT_TRUE(FolderHasFiles("outer", "one"));
  SetProgramRoot(saved);
}

// Linked folders are not entered: a loop would walk forever and a link out of
// the tree would make outside files count.
TEST(FileUtils, FolderWalksDoNotFollowLinkedFolders) {
  ScratchFolder scratch;
  ASSERT_TRUE(Nox::File::Md(scratch / "tree/sub"));
  ASSERT_TRUE(Nox::File::Md(scratch / "outside"));
  scratch.Write("outside/x.txt", "x");
  ASSERT_EQ(symlink(".", (scratch / "tree/a").c_str()), 0);
  ASSERT_EQ(symlink(".", (scratch / "tree/b").c_str()), 0);
  ASSERT_EQ(symlink("../../outside", (scratch / "tree/sub/out").c_str()), 0);

  // In a child with a time limit, so that following the loops fails instead of hanging.
  pid_t pid = fork();
  if (pid == 0) {
    alarm(20);
    FolderContentHash("", scratch / "tree");
    _exit(FolderHasFiles("", scratch / "tree") ? 1 : 0);  // only links lead to files
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

  uint32_t before = FolderContentHash("", scratch / "tree");
  struct timespec pause {0, 20000000};
  nanosleep(&pause, nullptr);
  scratch.Write("outside/x.txt", "y");
  EXPECT_EQ(FolderContentHash("", scratch / "tree"), before);

  // A linked file counts as a file.
  ASSERT_EQ(symlink("../../outside/x.txt", (scratch / "tree/sub/x").c_str()), 0);
  EXPECT_TRUE(FolderHasFiles("", scratch / "tree"));
}
