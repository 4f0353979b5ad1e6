// Files, named sources and folder listing.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"
#include "engine/File.h"

using Nox::File;

namespace {

void WriteText(const std::string& path, const std::string& text) {
  ASSERT_TRUE(Nox::WriteAll(path, text.data(), text.size())) << path;
}

}  // namespace

TEST(File, WriteReadSeekAndSize) {
  TempFolder dir;
  File file;
  ASSERT_EQ(file.Open(dir / "a.bin", File::kCreate | File::kRead), 0);
  EXPECT_EQ(file.Write("hello world", 11), 11u);
  EXPECT_EQ(file.Size(), 11);
  ASSERT_TRUE(file.Seek(6));
  char buffer[16] = {};
  EXPECT_EQ(file.Read(buffer, 5), 5u);
  EXPECT_STREQ(buffer, "world");
  EXPECT_TRUE(file.Eof());
  EXPECT_EQ(file.Read(buffer, 4), 0u);
  EXPECT_TRUE(file.Seek(-5, File::Origin::End));
  EXPECT_EQ(file.Tell(), 6);
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.Size(), -1);

  EXPECT_NE(file.Open(dir / "missing.bin"), 0);
  EXPECT_NE(file.Open(dir.path()), 0);  // a folder is not a file
  EXPECT_NE(file.Open(dir / "no/such/folder/x", File::kCreate), 0);

  std::vector<uint8_t> bytes;
  ASSERT_TRUE(Nox::ReadAll(dir / "a.bin", bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "hello world");
  EXPECT_FALSE(Nox::ReadAll(dir / "missing.bin", bytes));
  EXPECT_TRUE(bytes.empty());
}

TEST(File, ReadLineKeepsTerminatorAndReportsEndAfterLastLine) {
  TempFolder dir;
  WriteText(dir / "lines.txt", "one\r\ntwo\nthree\rfour");
  File file;
  ASSERT_EQ(file.Open(dir / "lines.txt"), 0);
  char line[512];
  std::vector<std::string> lines;
  while (!file.Eof()) {
    ASSERT_TRUE(file.ReadLine(line, sizeof line));
    lines.emplace_back(line);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"one\r\n", "two\n", "three\r", "four"}));
  EXPECT_FALSE(file.ReadLine(line, sizeof line));
  EXPECT_STREQ(line, "");

  // A line longer than the buffer is split; the buffer is always terminated.
  WriteText(dir / "long.txt", "abcdefgh\n");
  ASSERT_EQ(file.Open(dir / "long.txt"), 0);
  char small[4];
  ASSERT_TRUE(file.ReadLine(small, sizeof small));
  EXPECT_STREQ(small, "abc");
  ASSERT_TRUE(file.ReadLine(small, sizeof small));
  EXPECT_STREQ(small, "def");

  // A file ending with a line end has no empty line after it.
  WriteText(dir / "end.txt", "x\n");
  ASSERT_EQ(file.Open(dir / "end.txt"), 0);
  ASSERT_TRUE(file.ReadLine(line, sizeof line));
  EXPECT_TRUE(file.Eof());
}

TEST(File, FolderOperations) {
  TempFolder dir;
  EXPECT_TRUE(File::Md(dir / "x/y/z"));
  EXPECT_TRUE(File::Md(dir / "x/y/z"));  // already there
  EXPECT_EQ(File::Exists(dir / "x\\y\\z"), 0);
  EXPECT_TRUE(File::IsFolder(dir / "x/y"));
  WriteText(dir / "x/y/z/f.txt", "f");
  EXPECT_TRUE(File::Rename(dir / "x/y/z/f.txt", dir / "x/g.txt"));
  EXPECT_NE(File::Exists(dir / "x/y/z/f.txt"), 0);
  EXPECT_EQ(File::Exists(dir / "x/g.txt"), 0);
  EXPECT_FALSE(File::Rename(dir / "x/none", dir / "x/other"));
  EXPECT_TRUE(File::Unlink(dir / "x/g.txt"));
  EXPECT_FALSE(File::Unlink(dir / "x/g.txt"));
  WriteText(dir / "x/y/z/deep.txt", "d");
  EXPECT_TRUE(File::Prune(dir / "x"));
  EXPECT_NE(File::Exists(dir / "x"), 0);
  EXPECT_FALSE(File::GetCwd().empty());
}

TEST(File, NamedSourcesResolveUnderTheProgramRootAndNeedAbsolutePaths) {
  TempFolder dir;
  std::string savedRoot = File::GetProgramRoot();
  File::SetProgramRoot(dir.path() + "/");
  EXPECT_EQ(File::GetProgramRoot(), dir.path());
  EXPECT_EQ(File::Resolve("data", "sub\\x.txt"), dir.path() + "/data/sub/x.txt");
  EXPECT_EQ(File::Resolve("data", "/abs/x.txt"), "/abs/x.txt");
  EXPECT_TRUE(File::Md("data", "sub"));
  File file;
  ASSERT_EQ(file.Open("data", "sub/x.txt", File::kCreate), 0);
  file.Write("1", 1);
  file.Close();
  EXPECT_EQ(File::Exists("data", "sub/x.txt"), 0);
  EXPECT_EQ(File::Exists(dir / "data/sub/x.txt"), 0);
  File::Subst("elsewhere", dir / "data/sub");
  EXPECT_EQ(File::Exists("elsewhere", "x.txt"), 0);

  // With a relative root, source operations refuse to touch the disk.
  File::SetProgramRoot("relative/root");
  EXPECT_NE(File::Exists("data", "sub/x.txt"), 0);
  EXPECT_FALSE(File::Md("data", "new"));
  EXPECT_FALSE(File::Unlink("data", "sub/x.txt"));
  EXPECT_FALSE(File::Rename("data", "sub/x.txt", "sub/y.txt"));
  File::SetProgramRoot(savedRoot);
}

TEST(FileFind, ListsEntriesWithDotsSizesAndFolderBit) {
  TempFolder dir;
  WriteText(dir / "a.txt", "12345");
  WriteText(dir / "b.TXT", "1");
  WriteText(dir / "c.bin", "");
  File::Md(dir / "sub");
  std::map<std::string, Nox::FindEntry> seen;
  Nox::File::Find find;
  for (bool ok = find.Open(dir / "*"); ok; ok = find.Next()) seen[find.GetName()] = find.Entry();
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_TRUE(seen["."].IsFolder());
  EXPECT_TRUE(seen[".."].IsFolder());
  EXPECT_EQ(seen["sub"].attributes & 0x10u, 0x10u);
  EXPECT_EQ(seen["a.txt"].attributes & 0x10u, 0u);
  EXPECT_EQ(seen["a.txt"].size, 5u);
  EXPECT_EQ(seen["c.bin"].size, 0u);

  std::vector<std::string> texts;
  for (bool ok = find.Open(dir.path() + "\\*.txt"); ok; ok = find.Next()) texts.push_back(find.GetName());
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ(texts, (std::vector<std::string>{"a.txt", "b.TXT"}));
  ASSERT_TRUE(find.Open(dir / "a.*"));
  EXPECT_EQ(find.GetNameAndPath(), dir / "a.txt");
  EXPECT_FALSE(find.Next());

  EXPECT_FALSE(find.Open(dir / "missing/*"));
  EXPECT_FALSE(find.Open(dir / "*.none"));
}

TEST(FileFind, ChangeValueChangesWhenAFileIsRewritten) {
  TempFolder dir;
  auto changeOf = [&](const std::string& name) {
    Nox::File::Find find;
    EXPECT_TRUE(find.Open(dir / name));
    return find.GetChange();
  };
  WriteText(dir / "f.txt", "same");
  uint32_t first = changeOf("f.txt");
  EXPECT_EQ(changeOf("f.txt"), first);  // stable while untouched
  usleep(20000);
  WriteText(dir / "f.txt", "same");  // same size and content, rewritten
  EXPECT_NE(changeOf("f.txt"), first);
}

// Links are marked so that walks can keep out of them, and Prune removes a
// link without emptying what it points to.
TEST(FileFind, MarksLinksAndPruneNeverFollowsThem) {
  TempFolder dir;
  ASSERT_TRUE(File::Md(dir / "tree/sub"));
  ASSERT_TRUE(File::Md(dir / "outside"));
  WriteText(dir / "outside/keep.txt", "keep");
  ASSERT_EQ(symlink("../outside", (dir / "tree/out").c_str()), 0);
  ASSERT_EQ(symlink("../outside/keep.txt", (dir / "tree/file").c_str()), 0);
  ASSERT_EQ(symlink("gone", (dir / "tree/dangling").c_str()), 0);

  std::map<std::string, uint32_t> attributes;
  Nox::File::Find find;
  for (bool ok = find.Open(dir / "tree/*"); ok; ok = find.Next()) attributes[find.GetName()] = find.GetAttributes();
  EXPECT_EQ(attributes["sub"], Nox::FindEntry::kFolder);
  EXPECT_EQ(attributes["out"], Nox::FindEntry::kFolder | Nox::FindEntry::kLink);
  EXPECT_EQ(attributes["file"], Nox::FindEntry::kLink);
  EXPECT_EQ(attributes["dangling"], Nox::FindEntry::kLink);

  EXPECT_TRUE(File::Prune(dir / "tree/out/"));  // the link goes, not the folder it names
  EXPECT_EQ(File::Exists(dir / "outside/keep.txt"), 0);
  ASSERT_EQ(symlink("../outside", (dir / "tree/out").c_str()), 0);
  EXPECT_TRUE(File::Prune(dir / "tree"));
  EXPECT_NE(File::Exists(dir / "tree"), 0);
  EXPECT_EQ(File::Exists(dir / "outside/keep.txt"), 0);
}
