// Path edits: separators, names, extensions, parents, relative paths and the length limit.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/Path.h"

using Path = Nox::File::Path;

TEST(Path, EditsGiveExpectedText) {
  struct Case {
    const char* name;
    const char* input;
    std::function<void(Path&)> edit;
    const char* expected;
  };
  const Case cases[] = {
      {"AddPath inserts one separator", "a/b", [](Path& p) { p.AddPath("c"); }, "a/b/c"},
      {"AddPath keeps one of two", "a/b/", [](Path& p) { p.AddPath("/c"); }, "a/b/c"},
      {"AddPath on empty", "", [](Path& p) { p.AddPath("c"); }, "c"},
      {"AddPath after backslash", "a\\", [](Path& p) { p.AddPath("c"); }, "a\\c"},
      {"Add appends raw", "a/b", [](Path& p) { p.Add(".txt"); }, "a/b.txt"},
      {"DelName keeps folder", "a/b/c.txt", [](Path& p) { p.DelName(); }, "a/b/"},
      {"DelName with backslash", "a\\b\\c.txt", [](Path& p) { p.DelName(); }, "a\\b\\"},
      {"DelName without folder", "c.txt", [](Path& p) { p.DelName(); }, ""},
      {"PrevDir from folder", "/x/bin/", [](Path& p) { p.PrevDir(); }, "/x/"},
      {"PrevDir from name", "/x/bin", [](Path& p) { p.PrevDir(); }, "/x/"},
      {"DelSlash", "a/b//", [](Path& p) { p.DelSlash(); }, "a/b"},
      {"DelSlash keeps root", "/", [](Path& p) { p.DelSlash(); }, "/"},
      {"AddSlash", "a/b", [](Path& p) { p.AddSlash(); }, "a/b/"},
      {"AddSlash once", "a/b\\", [](Path& p) { p.AddSlash(); }, "a/b\\"},
      {"Normalize", "a\\.\\b//c/../d", [](Path& p) { p.Normalize(); }, "a/b/d"},
      {"Normalize keeps leading ..", "../a/../../b", [](Path& p) { p.Normalize(); }, "../../b"},
      {"Normalize absolute", "/a/../../b/", [](Path& p) { p.Normalize(); }, "/b/"},
      {"SetExt replaces", "d.x/file.tga", [](Path& p) { p.SetExt("bmp"); }, "d.x/file.bmp"},
      {"SetExt with dot", "file", [](Path& p) { p.SetExt(".gse"); }, "file.gse"},
      {"SetExt empty removes", "d/file.gs", [](Path& p) { p.SetExt(""); }, "d/file"},
      {"SetExt ignores folder dots", "d.x/file", [](Path& p) { p.SetExt(""); }, "d.x/file"},
      {"ReplaceBackSlashes", "a\\b\\c", [](Path& p) { p.ReplaceBackSlashes(); }, "a/b/c"},
      {"ReplaceForwardSlashes", "a/b/c", [](Path& p) { p.ReplaceForwardSlashes(); }, "a\\b\\c"},
  };
  for (const Case& c : cases) {
    Path path(c.input);
    c.edit(path);
    EXPECT_EQ(path.str(), c.expected) << c.name;
  }
}

TEST(Path, Queries) {
  Path p("/root/Assets/Config.TXT");
  EXPECT_EQ(p.GetFileName(), "Config.TXT");
  EXPECT_EQ(p.GetExt(), "TXT");
  EXPECT_TRUE(p.IsExt("txt"));
  EXPECT_TRUE(p.IsExt(".TxT"));
  EXPECT_FALSE(p.IsExt("tx"));
  EXPECT_FALSE(Path("folder.d/name").IsExt("d/name"));
  EXPECT_EQ(Path("folder.d/name").GetExt(), "");
  EXPECT_TRUE(p.IsAbsolute());
  EXPECT_FALSE(Path("a/b").IsAbsolute());
  EXPECT_EQ(p.Length(), p.str().size());
  EXPECT_FALSE(Path("/").PrevDir());
}

TEST(Path, MakeRelativeToAndExtractFirstPath) {
  struct Case {
    const char* path;
    const char* base;
    bool inside;
    const char* result;
  };
  const Case cases[] = {
      {"/r/local/a/b.txt", "/r/local", true, "a/b.txt"},
      {"/r/local/a/b.txt", "/r/local/", true, "a/b.txt"},
      {"\\r\\local\\a", "/r/local", true, "a"},
      {"/r/local", "/r/local", true, ""},
      {"/r/localx/a", "/r/local", false, "/r/localx/a"},
      {"/r/other/a", "/r/local", false, "/r/other/a"},
      {"/r", "/r/local", false, "/r"},
  };
  for (const Case& c : cases) {
    Path path(c.path);
    EXPECT_EQ(path.MakeRelativeTo(c.base), c.inside) << c.path << " in " << c.base;
    EXPECT_EQ(path.str(), c.result) << c.path << " in " << c.base;
  }
  Path path("first\\second/third");
  EXPECT_EQ(path.ExtractFirstPath().str(), "first");
  EXPECT_EQ(path.str(), "second/third");
  EXPECT_EQ(path.ExtractFirstPath().str(), "second");
  EXPECT_EQ(path.ExtractFirstPath().str(), "third");
  EXPECT_TRUE(path.empty());
}

TEST(Path, LengthLimitRefusesOverlongResults) {
  std::string longest(Path::kMaxLength, 'a');
  Path path;
  EXPECT_TRUE(path.Set(longest));
  EXPECT_FALSE(path.Add("b"));
  EXPECT_FALSE(path.AddPath("b"));
  EXPECT_FALSE(path.SetExt("txt"));
  EXPECT_EQ(path.str(), longest);  // unchanged after each refusal
  EXPECT_FALSE(path.Set(longest + "x"));
  EXPECT_EQ(path.str(), longest);
}
