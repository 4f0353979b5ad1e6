// Windows-1252 conversion, the engine log, options and start-up objects.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"
#include "engine/Codepage.h"
#include "engine/Log.h"
#include "engine/Process.h"
#include "engine/Render.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TEST(Codepage, Windows1252Table) {
  struct Case {
    unsigned char byte;
    const char* utf8;
  };
  const Case cases[] = {
      {0x41, "A"},          {0x80, "\u20AC"}, {0x81, "\xC2\x81"}, {0x8A, "\u0160"},
      {0x8D, "\xC2\x8D"},   {0x8F, "\xC2\x8F"}, {0x90, "\xC2\x90"}, {0x92, "\u2019"},
      {0x9D, "\xC2\x9D"},   {0x9F, "\u0178"}, {0xA0, "\u00A0"},   {0xE9, "\u00E9"},
      {0xFF, "\u00FF"},
  };
  for (const Case& c : cases) {
    std::string one(1, static_cast<char>(c.byte));
    EXPECT_EQ(Nox::Codepage::Windows1252ToUtf8(one), c.utf8) << int(c.byte);
    bool lossless = false;
    EXPECT_EQ(Nox::Codepage::Utf8ToWindows1252(c.utf8, &lossless), one) << int(c.byte);
    EXPECT_TRUE(lossless);
  }
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string utf8 = Nox::Codepage::Windows1252ToUtf8(all);
  EXPECT_TRUE(Nox::Codepage::IsValidUtf8(utf8));
  EXPECT_EQ(Nox::Codepage::Utf8ToWindows1252(utf8), all);  // every byte survives the round trip

  bool lossless = true;
  EXPECT_EQ(Nox::Codepage::Utf8ToWindows1252("a\u4E2Db", &lossless), "a?b");
  EXPECT_FALSE(lossless);
  EXPECT_EQ(Nox::Codepage::Utf8ToWindows1252("\xC3", &lossless), "?");  // cut short
  EXPECT_EQ(Nox::Codepage::Utf8ToWindows1252("\xC0\xAF"), "??");       // overlong
  EXPECT_FALSE(Nox::Codepage::IsValidUtf8("\xED\xA0\x80"));            // surrogate
}

TEST(Log, LogFileOptionAndEnvironmentOverride) {
  TempFolder dir;
  const char* saved = std::getenv("VELMAR_LOG");
  std::string savedValue = saved ? saved : "";
  unsetenv("VELMAR_LOG");

  Nox::Log::Init("-NullRender -LogFile=" + dir / "option.log" + " -other");
  EXPECT_EQ(Nox::Log::CurrentFile(), dir / "option.log");
  Nox::Log::GetClient()->OutputString(2, "line %d\n", 1);
  Nox::Log::GetClient()->OutputString(1, "%s", "line 2");
  EXPECT_EQ(ReadText(dir / "option.log"), "line 1\nline 2\n");

  setenv("VELMAR_LOG", (dir / "env.log").c_str(), 1);
  Nox::Log::Init("-LogFile=" + dir / "ignored.log");
  Nox::Process::PostThreadMessage(3524);
  EXPECT_EQ(ReadText(dir / "env.log"), "PostThreadMessage> message 3524 (0, 0)\n");
  EXPECT_EQ(ReadText(dir / "ignored.log"), "");

  unsetenv("VELMAR_LOG");
  Nox::Log::Init("-render=OpenGL");
  EXPECT_EQ(Nox::Log::CurrentFile(), "/dev/null");
  if (saved) setenv("VELMAR_LOG", savedValue.c_str(), 1);
  Nox::Log::Init("-LogFile=/dev/null");
}

TEST(Render, StartupObjectsAndPluginLookup) {
  Nox::OS os("Velmar Util", "-NullRender -LogFile=/dev/null -paths=a,b,,c");
  ASSERT_TRUE(os.Init());
  EXPECT_TRUE(os.IsNullRender());
  Nox::Options& options = os.GetOptions();
  EXPECT_EQ(options.Get("logfile").value_or("?"), "/dev/null");
  EXPECT_EQ(options.Get("NullRender").value_or("?"), "");
  EXPECT_FALSE(options.Get("render").has_value());
  std::vector<std::string> values;
  std::string value;
  for (size_t i = 0; options.GetNext("paths", i, value);) values.push_back(value);
  EXPECT_EQ(values, (std::vector<std::string>{"a", "b", "", "c"}));

  Nox::ResourceSystem resources;
  EXPECT_TRUE(resources.Init(options));
  EXPECT_EQ(Nox::ResourceSystem::Current(), &resources);
  Nox::RenderKernel kernel(nullptr, 8.0f);
  EXPECT_TRUE(kernel.Init(os));

  auto imageType = Nox::UId::FromText("4C414E80-BBDA-11d4-9AD7-0001025364B8");
  ASSERT_TRUE(imageType.has_value());
  EXPECT_EQ(imageType->bytes[0], 0x4C);
  EXPECT_EQ(imageType->bytes[15], 0xB8);
  Nox::PluginHandle bmp = Nox::PluginBase::LookupPluginType(*imageType, "bmp");
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(bmp->name, "bmp");
  EXPECT_EQ(Nox::PluginBase::LookupPluginType(*imageType, "xyz"), nullptr);
  EXPECT_FALSE(Nox::UId::FromText("4C414E80-BBDA-11d4-9AD7").has_value());
  EXPECT_FALSE(Nox::UId::FromText("4C414E80-BBDA-11d4-9AD7-0001025364BG").has_value());
}
