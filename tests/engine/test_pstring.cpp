// Interned strings: identity, text operations, thread safety and garbage collection.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "engine/NoxString.h"
#include "engine/PString.h"

using Nox::PString;

TEST(PString, EqualTextsShareOneNodeAndCompareByIdentity) {
  std::string built = "loco";
  built += "motive";
  PString a("locomotive");
  PString b(built);
  PString c("Locomotive");
  EXPECT_EQ(a, b);
  EXPECT_EQ(a.Identity(), b.Identity());
  EXPECT_NE(a, c);  // case-sensitive
  EXPECT_EQ(std::hash<PString>()(a), std::hash<PString>()(b));
  EXPECT_EQ(PString(""), PString());
  EXPECT_TRUE(PString("").empty());
  EXPECT_STREQ(PString().c_str(), "");
  std::unordered_set<PString> set{a, b, c};
  EXPECT_EQ(set.size(), 2u);
}

TEST(PString, TextOperations) {
  PString s;
  s.Setf("%s-%d", "kind", 7);
  EXPECT_EQ(s.view(), "kind-7");
  s.Addf("/%03d", 5);
  EXPECT_EQ(s, PString("kind-7/005"));
  EXPECT_EQ(PString("MiXeD 1").ToLower().view(), "mixed 1");
  EXPECT_EQ(PString("MiXeD 1").ToUpper().view(), "MIXED 1");
  EXPECT_EQ(PString("abc").Ins(1, "XY").view(), "aXYbc");
  EXPECT_EQ(PString("abc").Ins(99, "!").view(), "abc!");
  EXPECT_EQ(PString("abcdef").Del(1, 2).view(), "adef");
  EXPECT_EQ(PString("abc").Del(5, 2).view(), "abc");
  EXPECT_EQ(PString("abcabc").Find("ca"), 2);
  EXPECT_EQ(PString("abcabc").Find("bc", 2), 4);
  EXPECT_EQ(PString("abc").Find("x"), -1);
  EXPECT_LT(PString("abc").Compare("abd"), 0);
  EXPECT_EQ(PString("abc").Compare("abc"), 0);
  EXPECT_TRUE(PString("Config.TXT").EqualsIgnoreCase("config.txt"));
  EXPECT_FALSE(PString("config.txt").EqualsIgnoreCase("config.tx"));
  std::string longText(1000, 'z');
  EXPECT_EQ(PString().Setf("%s", longText.c_str()).size(), 1000u);
}

TEST(PString, ConcurrentInterningGivesOneNodePerText) {
  constexpr int kThreads = 8;
  constexpr int kTexts = 500;
  std::vector<std::vector<PString>> results(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &results] {
      for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < kTexts; ++i) {
          PString s(("concurrent-" + std::to_string(i)).c_str());
          if (round == 2) results[t].push_back(s);
          PString copy = s;  // copies and releases race with other threads
        }
        PString::CollectGarbage();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int i = 0; i < kTexts; ++i) {
    for (int t = 1; t < kThreads; ++t) EXPECT_EQ(results[0][i], results[t][i]);
    EXPECT_EQ(results[0][i].view(), "concurrent-" + std::to_string(i));
  }
}

TEST(PString, CollectGarbageFreesOnlyUnheldTexts) {
  PString::CollectGarbage();
  size_t before = PString::CacheSize();
  PString held("gc-held-text");
  { PString dropped("gc-dropped-text"); }
  EXPECT_EQ(PString::CacheSize(), before + 2);
  EXPECT_EQ(PString::CollectGarbage(), 1u);
  EXPECT_EQ(PString::CacheSize(), before + 1);
  EXPECT_EQ(held.view(), "gc-held-text");
  EXPECT_EQ(PString("gc-held-text"), held);
  EXPECT_EQ(PString("gc-dropped-text").view(), "gc-dropped-text");  // interned anew
}

TEST(NoxString, TokensSearchesAndParts) {
  Nox::String text(" a,b;;c ");
  std::vector<std::string> tokens;
  for (const Nox::String& token : text.Tokens(" ,;")) tokens.push_back(token.str());
  EXPECT_EQ(tokens, (std::vector<std::string>{"a", "b", "c"}));
  size_t cursor = 0;
  Nox::String token;
  EXPECT_TRUE(Nox::String("x=1").Token("=", cursor, token));
  EXPECT_EQ(token, "x");
  EXPECT_TRUE(Nox::String("x=1").Token("=", cursor, token));
  EXPECT_EQ(token, "1");
  EXPECT_FALSE(Nox::String("x=1").Token("=", cursor, token));
  EXPECT_FALSE(Nox::String(";;").Token(";", cursor = 0, token));

  Nox::String s("Hello World");
  EXPECT_EQ(s.Find("World"), 6);
  EXPECT_EQ(s.Find("world"), -1);
  EXPECT_EQ(s.FindIgnoreCase("WORLD"), 6);
  EXPECT_EQ(s.FindIgnoreCase("xyz"), -1);
  EXPECT_EQ(s.Left(5), "Hello");
  EXPECT_EQ(s.Right(5), "World");
  EXPECT_EQ(s.Right(50), "Hello World");
  EXPECT_EQ(s.Left(50), "Hello World");
  EXPECT_TRUE(s.EqualsIgnoreCase("hello world"));
  Nox::String f;
  f.Setf("%d", 4).Addf("-%s", "x");
  EXPECT_EQ(f, "4-x");
}
