#include "core/text_file.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "core/cstr.h"
#include "core/hash.h"
#include "support/test_support.h"

namespace {

void Load(TextFile& f, const std::string& text) { EXPECT_TRUE(f.LoadFromMemory(text.data(), int32_t(text.size()))); }

std::string Value(TextFile& f) { return std::string(f.text + f.valueStart, size_t(f.valueLength)); }

TEST(TextFileTest, KeyMatchesOnlyAsFirstWordFollowedByABlank) {
  struct Case {
    const char* text;
    bool found;
    const char* value;
  } cases[] = {
      {"ForceWindowed 1", true, "1"},
      {"   forcewindowed = 1", true, "1"},
      {"\tFORCEWINDOWED 1\r\n", true, "1"},
      {"ForceWindowed=1", false, ""},
      {"ForceWindowed\t1", false, ""},
      {"Force ForceWindowed 1", false, ""},
      {"# ForceWindowed 1", false, ""},
      {"x # ForceWindowed 1", false, ""},
      {"ForceWindowedX 1", false, ""},
      {"XForceWindowed 1", false, ""},
      {"ForceWindowed", false, ""},  // at the very end without a blank
      {"a 1\nForceWindowed  ==  42 tail\nb 2", true, "42 tail"},
      {"a 1\rForceWindowed 7", true, "7"},
      {"ForceWindowed \n", true, ""},
  };
  for (const auto& c : cases) {
    TextFile f;
    Load(f, c.text);
    EXPECT_EQ(f.FindKey("ForceWindowed"), c.found) << c.text;
    if (c.found) {
      EXPECT_EQ(Value(f), c.value) << c.text;
    } else {
      EXPECT_EQ(f.valueStart, 0);
    }
  }
}

TEST(TextFileTest, FirstMatchingLineWinsOnEveryLookUp) {
  TextFile f;
  Load(f, "speed 1\nspeed 2\n");
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(f.FindKey("speed"));
    int32_t v = 0;
    EXPECT_TRUE(f.GetInt(&v));
    EXPECT_EQ(v, 1);
  }
  EXPECT_EQ(f.keyStart, 0);
  EXPECT_EQ(f.scanPos, 7);
  // A key given with its blank works the same.
  EXPECT_TRUE(f.FindKey("SPEED "));
  EXPECT_FALSE(f.FindKey(""));
  EXPECT_FALSE(f.FindKey(nullptr));
}

TEST(TextFileTest, TypedReads) {
  TextFile f;
  Load(f, "n  == 42\nword abc\nneg -17x\nf 2.5\nlist 1.5,,2\nlist2 ,3, 4 ,\nempty \nbig 99999999999\n");
  int32_t v = -1;
  ASSERT_TRUE(f.FindKey("n"));
  EXPECT_TRUE(f.GetInt(&v));
  EXPECT_EQ(v, 42);
  ASSERT_TRUE(f.FindKey("word"));
  EXPECT_TRUE(f.GetInt(&v));
  EXPECT_EQ(v, 0);
  ASSERT_TRUE(f.FindKey("neg"));
  EXPECT_TRUE(f.GetInt(&v));
  EXPECT_EQ(v, -17);
  ASSERT_TRUE(f.FindKey("big"));
  EXPECT_TRUE(f.GetInt(&v));
  EXPECT_EQ(v, INT32_MAX);
  // An empty value never reads the next line.
  ASSERT_TRUE(f.FindKey("empty"));
  EXPECT_TRUE(f.GetInt(&v));
  EXPECT_EQ(v, 0);
  float x = 0;
  ASSERT_TRUE(f.FindKey("f"));
  EXPECT_TRUE(f.GetFloat(&x));
  EXPECT_FLOAT_EQ(x, 2.5f);
  float list[4] = {0, 0, 0, 0};
  ASSERT_TRUE(f.FindKey("list"));
  EXPECT_EQ(f.GetFloatList(list, 4), 2);
  EXPECT_FLOAT_EQ(list[0], 1.5f);
  EXPECT_FLOAT_EQ(list[1], 2.0f);
  ASSERT_TRUE(f.FindKey("list2"));
  EXPECT_EQ(f.GetFloatList(list, 4), 2);
  EXPECT_EQ(f.GetFloatList(list, 1), 1);
  EXPECT_FLOAT_EQ(list[0], 3.0f);
  // Nothing found: every read fails.
  EXPECT_FALSE(f.FindKey("missing"));
  EXPECT_FALSE(f.GetInt(&v));
  EXPECT_FALSE(f.GetFloat(&x));
  EXPECT_EQ(f.GetFloatList(list, 4), 0);
}

// Switches LC_NUMERIC to a locale whose decimal point is a comma; builds one
// under the test's home with localedef when the machine has none installed.
bool UseDecimalCommaLocale() {
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) return true;
  std::string dir = vantrel::test::MakeTempDir("locale").string();
  std::string cmd = "localedef -i de_DE -f UTF-8 '" + dir + "/de_DE.UTF-8' >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return false;
  setenv("LOCPATH", dir.c_str(), 1);
  return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
}

TEST(TextFileTest, FloatsIgnoreTheProcessLocale) {
  struct Case {
    const char* value;
    float want;
  } cases[] = {
      {"2.5", 2.5f},          {"  -0.25x", -0.25f}, {"+3", 3.0f},        {"1e3", 1000.0f}, {".5", 0.5f},
      {"abc", 0.0f},          {"--1", 0.0f},        {"1e60", HUGE_VALF}, {"", 0.0f},       {"1e400", HUGE_VALF},
      {"-1e400", -HUGE_VALF}, {"1e-400", 0.0f},     {"2.5e-400x", 0.0f}, {"1e-50", 0.0f},
  };
  bool comma = UseDecimalCommaLocale();
  if (comma) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.1f", 2.5);
    ASSERT_STREQ(buf, "2,5") << "the locale really uses a decimal comma";
  }
  for (const auto& c : cases) {
    TextFile f;
    Load(f, std::string("f ") + c.value + "\nlist " + c.value + "," + c.value);
    float x = -1;
    ASSERT_TRUE(f.FindKey("f"));
    EXPECT_TRUE(f.GetFloat(&x));
    EXPECT_FLOAT_EQ(x, c.want) << c.value;
    float list[2] = {-1, -1};
    ASSERT_TRUE(f.FindKey("list"));
    EXPECT_EQ(f.GetFloatList(list, 2), *c.value ? 2 : 0);
    EXPECT_FLOAT_EQ(list[1], *c.value ? c.want : -1.0f) << c.value;
  }
  std::setlocale(LC_NUMERIC, "C");
  if (!comma) GTEST_SKIP() << "no decimal-comma locale here: checked in the C locale only";
}

TEST(TextFileTest, QuotedTokens) {
  TextFile f;
  Load(f, "a \"two words\" after\nb plain \"q\"\nc \"unclosed value\nd \"\"\n");
  char buf[64];
  ASSERT_TRUE(f.FindKey("a"));
  EXPECT_EQ(f.ReadQuotedToken(buf, sizeof buf), 9);
  EXPECT_STREQ(buf, "two words");
  EXPECT_EQ(f.ReadQuotedToken(buf, 4), 3);
  EXPECT_STREQ(buf, "two");
  EXPECT_EQ(f.ReadQuotedToken(buf, 0), 0);
  ASSERT_TRUE(f.FindKey("b"));
  EXPECT_EQ(f.ReadQuotedToken(buf, sizeof buf), 9);
  EXPECT_STREQ(buf, "plain \"q\"");
  ASSERT_TRUE(f.FindKey("c"));
  f.ReadQuotedToken(buf, sizeof buf);
  EXPECT_STREQ(buf, "unclosed value");
  CStr s("keep");
  ASSERT_TRUE(f.FindKey("d"));
  EXPECT_FALSE(f.ReadQuotedString(s));
  EXPECT_STREQ(s.Text(), "keep");
  ASSERT_TRUE(f.FindKey("a"));
  EXPECT_TRUE(f.ReadQuotedString(s));
  EXPECT_STREQ(s.Text(), "two words");
}

TEST(TextFileTest, EnumLookUpIgnoresLetterCase) {
  TextFile::EnumEntry table[3] = {{"Low", 1}, {"HIGH", 2}, {"high", 3}};
  TextFile f;
  Load(f, "q high\nr \"Low\"\ns medium\nt \"\"\n");
  int32_t v = -1;
  ASSERT_TRUE(f.FindKey("q"));
  EXPECT_TRUE(f.GetEnum(&v, table, 3));
  EXPECT_EQ(v, 2);
  ASSERT_TRUE(f.FindKey("r"));
  EXPECT_TRUE(f.GetEnum(&v, table, 3));
  EXPECT_EQ(v, 1);
  v = -1;
  ASSERT_TRUE(f.FindKey("s"));
  EXPECT_FALSE(f.GetEnum(&v, table, 3));
  ASSERT_TRUE(f.FindKey("t"));
  EXPECT_FALSE(f.GetEnum(&v, table, 3));
  EXPECT_EQ(v, -1);
}

TEST(TextFileTest, NormalisedCopyAndItsHash) {
  struct Case {
    const char* raw;
    const char* norm;
  } cases[] = {
      {"  Key  == Value 1 # comment\r\n# only comment\n\nOther\tv\n", "key Value 1 \nother v\n"},
      {"A b", "a b"},
      {"A b\r\n\r\n", "a b\n"},
      {"# nothing\n", ""},
      {"   \n\t\nK v", "k v"},
      {"KEY\n", "key\n"},
  };
  for (const auto& c : cases) {
    TextFile f;
    Load(f, c.raw);
    std::string want = c.norm;
    EXPECT_EQ(std::string(f.shadow), want) << c.raw;
    EXPECT_EQ(f.GetNormalisedLength(), int32_t(want.size() + 1));
    EXPECT_EQ(f.GetNormalisedHash(), HashBytes(want.c_str(), int32_t(want.size() + 1)));
    EXPECT_EQ(std::string(f.text, size_t(f.length)), c.raw) << "the raw text is kept";
  }
  TextFile f;
  Load(f, "Key v");
  char out[16];
  std::memset(out, 0, sizeof out);
  EXPECT_EQ(f.CopyNormalised(out, 16, 0, 0), 6);
  EXPECT_STREQ(out, "key v");
  EXPECT_EQ(f.CopyNormalised(out, 2, 1, 0), 2);
  EXPECT_EQ(std::string(out, 2), "ey");
  EXPECT_EQ(f.CopyNormalised(out, 16, 4, 99), 2);
  EXPECT_EQ(f.CopyNormalised(out, 16, 6, 0), 0);
  EXPECT_EQ(f.CopyNormalised(out, 16, -1, 0), 0);
  EXPECT_EQ(f.CopyNormalised(nullptr, 16, 0, 0), 0);
  TextFile empty;
  EXPECT_EQ(empty.CopyNormalised(out, 16, 0, 0), 0);
}

TEST(TextFileTest, StreamLoadsAndTheirEdges) {
  boost::filesystem::path file = vantrel::test::MakeTempDir("tf") / "config.cfg";
  std::ofstream(file.string(), std::ios::binary) << "skip key 5\nother 6\n";
  FILE* in = std::fopen(file.c_str(), "rb");
  ASSERT_TRUE(in);
  std::fseek(in, 5, SEEK_SET);
  TextFile f;
  ASSERT_TRUE(f.LoadFromStream(in, 6));  // "key 5\n"
  EXPECT_EQ(std::ftell(in), 11);
  EXPECT_EQ(f.length, 6);
  EXPECT_TRUE(f.FindKey("key"));
  EXPECT_FALSE(f.FindKey("other"));
  // A len beyond the end keeps what was there.
  ASSERT_TRUE(f.LoadFromStream(in, 1000000));
  EXPECT_EQ(std::string(f.text, size_t(f.length)), "other 6\n");
  EXPECT_TRUE(f.FindKey("other"));
  std::rewind(in);
  ASSERT_TRUE(f.LoadFromStream(in, 0));
  EXPECT_EQ(f.length, 19);
  std::fclose(in);
  EXPECT_FALSE(f.LoadFromStream(nullptr, 0));
  EXPECT_EQ(f.text, nullptr);

  ASSERT_TRUE(f.Load(file.string().c_str()));
  EXPECT_TRUE(f.FindKey("other"));
  EXPECT_FALSE(f.Load((file.parent_path() / "missing.cfg").string().c_str()));
  EXPECT_FALSE(f.FindKey("other"));
  std::ofstream((file.parent_path() / "empty.cfg").string());
  EXPECT_TRUE(f.Load((file.parent_path() / "empty.cfg").string().c_str()));
  EXPECT_FALSE(f.FindKey("other"));
  int32_t v = 3;
  EXPECT_FALSE(f.GetInt(&v));
  EXPECT_EQ(v, 3);
  EXPECT_FALSE(f.LoadFromMemory(nullptr, 3));
  EXPECT_FALSE(f.LoadFromMemory("x", 0));
}

TEST(TextFileTest, EmbeddedNulEndsALine) {
  const char raw[] = "a 1\0b 2";
  TextFile f;
  ASSERT_TRUE(f.LoadFromMemory(raw, 7));
  ASSERT_TRUE(f.FindKey("b"));
  int32_t v = 0;
  EXPECT_TRUE(f.GetInt(&v));
  EXPECT_EQ(v, 2);
  ASSERT_TRUE(f.FindKey("a"));
  EXPECT_EQ(f.valueLength, 1);
}

}  // namespace
