#include "core/cstr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Chars(int n, char c = 'a') { return std::string(size_t(n), c); }

// Whether running op reallocated the string's block.
template <class Op>
bool Reallocates(CStr& s, Op op) {
  long before = CStr::BlockAllocations();
  const char* data = s.data;
  op();
  return CStr::BlockAllocations() != before || s.data != data;
}

TEST(CStrTest, BlockSizeFollowsThirtyTwoByteSteps) {
  struct Case {
    int n, bytes;
  } cases[] = {{0, 32}, {1, 32}, {31, 32}, {32, 64}, {63, 64}, {64, 96}, {1000, 1024}};
  for (const auto& c : cases) EXPECT_EQ(CStr::BlockSize(c.n), c.bytes) << c.n;
}

TEST(CStrTest, AppendKeepsTheBlockWithinAStepAndMovesAcrossIt) {
  struct Case {
    int from, add;
    bool moves;
  } cases[] = {
      {31, 1, true},    // 32-byte block to 64
      {40, 23, false},  // 40..63 share the 64-byte block
      {0, 31, false},  {0, 32, true}, {63, 1, true}, {10, 100, true},
  };
  for (const auto& c : cases) {
    CStr s(Chars(c.from).c_str());
    std::string add = Chars(c.add, 'b');
    EXPECT_EQ(Reallocates(s, [&] { s.Append(add.c_str()); }), c.moves) << c.from << "+" << c.add;
    EXPECT_EQ(s.length, c.from + c.add);
    EXPECT_EQ(std::string(s.Text()), Chars(c.from) + add);
  }
}

TEST(CStrTest, AssignReallocatesExactlyWhenTheStepChanges) {
  struct Case {
    int from, to;
    bool moves;
  } cases[] = {
      {40, 10, true},  // 64 bytes down to 32
      {40, 35, false}, {10, 31, false}, {10, 32, true}, {0, 0, false},
  };
  for (const auto& c : cases) {
    CStr s(Chars(c.from).c_str());
    std::string to = Chars(c.to, 'z');
    EXPECT_EQ(Reallocates(s, [&] { s.Assign(to.c_str()); }), c.moves) << c.from << "->" << c.to;
    EXPECT_EQ(std::string(s.Text()), to);
    EXPECT_EQ(s.length, c.to);
  }
}

TEST(CStrTest, SelfAssignmentAndNullArgumentsChangeNothing) {
  CStr s("hello");
  const char* data = s.data;
  s.Assign(s.data);
  s.Assign(nullptr);
  s.Append(nullptr);
  s.Append("");
  s = s;
  EXPECT_EQ(s.data, data);
  EXPECT_STREQ(s.Text(), "hello");
  EXPECT_FALSE(s.Compare(nullptr));
  CStr n(nullptr);
  EXPECT_STREQ(n.Text(), "");
  EXPECT_EQ(n.length, 0);
}

TEST(CStrTest, AssigningPartOfItsOwnTextIsSafe) {
  CStr s(Chars(40).c_str());
  s.data[38] = 'x';
  s.Assign(s.data + 38);  // a 2-character tail: the block changes underneath
  EXPECT_STREQ(s.Text(), "xa");
  CStr t("abc");
  t.Append(t.data);
  EXPECT_STREQ(t.Text(), "abcabc");
  CStr u(Chars(20).c_str());
  u.Append(u.data);  // crosses into a new block while reading the old one
  EXPECT_EQ(std::string(u.Text()), Chars(40));
}

TEST(CStrTest, CopyGetsItsOwnBlock) {
  CStr a("text");
  CStr b(a);
  EXPECT_NE(a.data, b.data);
  b.data[0] = 'n';
  EXPECT_STREQ(a.Text(), "text");
  CStr empty;
  std::free(empty.data);
  empty.data = nullptr;  // a string whose allocation failed
  CStr c(empty);
  EXPECT_STREQ(c.Text(), "");
  EXPECT_EQ(c.length, 0);
  CStr d("x");
  d = empty;
  EXPECT_STREQ(d.Text(), "");
}

TEST(CStrTest, InsertConstructor) {
  struct Case {
    const char* base;
    const char* insert;
    int pos;
    const char* want;
  } cases[] = {
      {"abcdef", "XY", 2, "abXYcdef"}, {"abc", "XY", 0, "XYabc"}, {"abc", "XY", 3, "abcXY"}, {"abc", "XY", 99, "abcXY"},
      {"abc", "XY", -4, "XYabc"},      {"abc", "", 1, "abc"},     {nullptr, "XY", 1, ""},    {"abc", nullptr, 1, ""},
  };
  for (const auto& c : cases) {
    CStr s(c.base, c.insert, c.pos);
    EXPECT_STREQ(s.Text(), c.want) << (c.base ? c.base : "null") << " " << c.pos;
    EXPECT_EQ(s.length, int(std::strlen(c.want)));
  }
}

TEST(CStrTest, CompareIsExactAndWholeLength) {
  CStr s("Data");
  EXPECT_TRUE(s.Compare("Data"));
  EXPECT_FALSE(s.Compare("data"));
  EXPECT_FALSE(s.Compare("Dat"));
  EXPECT_FALSE(s.Compare("Datas"));
  EXPECT_TRUE(CStr().Compare(""));
}

TEST(CStrTest, ResizeCutsOrReplacesTheBlock) {
  CStr s("hello world");
  EXPECT_EQ(s.Resize(0), 0);
  EXPECT_EQ(s.Resize(-3), 0);
  EXPECT_STREQ(s.Text(), "hello world");
  const char* data = s.data;
  EXPECT_EQ(s.Resize(5), 5);
  EXPECT_EQ(s.data, data);
  EXPECT_STREQ(s.Text(), "hello");
  EXPECT_EQ(s.Resize(40), 40);
  EXPECT_EQ(s.length, 40);
  EXPECT_EQ(s.data[40], '\0');
}

TEST(CStrTest, FindClampsStartAndNeedsBothTexts) {
  CStr s("abcabc");
  struct Case {
    const char* sub;
    int start, want;
  } cases[] = {
      {"abc", 0, 0},   {"abc", 1, 3}, {"abc", 4, -1},     {"c", -5, 2},
      {"abc", 99, -1}, {"", 0, -1},   {"abcabcd", 0, -1}, {"cab", 0, 2},
  };
  for (const auto& c : cases) EXPECT_EQ(s.Find(CStr(c.sub), c.start), c.want) << c.sub << " " << c.start;
  EXPECT_EQ(CStr().Find(CStr("a"), 0), -1);
}

TEST(CStrTest, MidLeftRight) {
  CStr s("abcdef");
  struct Case {
    CStr got;
    const char* want;
  } cases[] = {
      {CStr::Mid(s, 6, 3), ""},       {CStr::Mid(s, -1, 3), ""},     {CStr::Mid(s, 2, -1), "cdef"},
      {CStr::Mid(s, 2, 2), "cd"},     {CStr::Mid(s, 4, 99), "ef"},   {CStr::Mid(s, 0, 0), ""},
      {CStr::Left(s, 3), "abc"},      {CStr::Left(s, 10), "abcdef"}, {CStr::Right(s, 2), "ef"},
      {CStr::Right(s, 10), "abcdef"}, {CStr::Right(s, 0), ""},       {CStr::Mid(CStr(), 0, 1), ""},
  };
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_STREQ(cases[i].got.Text(), cases[i].want) << i;
}

TEST(CStrTest, ConcatenationAndNumbers) {
  EXPECT_STREQ((CStr("ab") + CStr("cd")).Text(), "abcd");
  EXPECT_STREQ((CStr("ab") + "cd").Text(), "abcd");
  EXPECT_STREQ(("ab" + CStr("cd")).Text(), "abcd");
  EXPECT_STREQ((CStr("ab") + static_cast<const char*>(nullptr)).Text(), "ab");
  EXPECT_STREQ(CharToCStr('q').Text(), "q");
  EXPECT_STREQ(IntToCStr(-42).Text(), "-42");
  EXPECT_STREQ(DoubleToCStr(1.5).Text(), "1.500000");
  EXPECT_EQ(DoubleToCStr(1e300).length, 301 + 7);
}

TEST(CStrTest, CaseCopiesTouchOnlyAsciiLetters) {
  EXPECT_STREQ(LowerCopy("AbC-\xC4z").Text(), "abc-\xC4z");
  EXPECT_STREQ(UpperCopy("AbC-\xE4z").Text(), "ABC-\xE4Z");
  EXPECT_STREQ(LowerCopy(nullptr).Text(), "");
}

TEST(CStrTest, SanitiseName) {
  struct Case {
    const char* in;
    const char* want;
  } cases[] = {
      {".hidden name!", "xhidden namex"}, {"a.b_c 9", "a.b_c 9"}, {"x/y\\z:", "xxyxzx"}, {"", ""}, {"\xE5", "x"},
  };
  for (const auto& c : cases) EXPECT_STREQ(SanitiseName(c.in).Text(), c.want) << c.in;
  EXPECT_EQ(SanitiseName(Chars(2000).c_str()).length, 1023);
  EXPECT_STREQ(SanitiseName(nullptr).Text(), "");
}

TEST(CStrTest, PadString) {
  struct Case {
    const char* text;
    int width;
    bool fixed;
    std::string want;
  } cases[] = {
      {"abc", 6, true, "abc..."}, {"abcdef", 3, true, "abc"}, {"abc", 6, false, "abc"},
      {"abc", 0, true, ""},       {nullptr, 5, true, ""},     {"", 2, true, ".."},
  };
  for (const auto& c : cases) EXPECT_EQ(std::string(PadString(c.text, c.width, '.', c.fixed).Text()), c.want);
  EXPECT_EQ(PadString("a", 5000, ' ', true).length, 1023);
  EXPECT_EQ(PadString(Chars(3000).c_str(), 1, ' ', false).length, 1023);
}

TEST(CStrTest, PathHelpers) {
  struct Case {
    const char* path;
    const char* ext;
    const char* name;
    const char* stripped;
    const char* dir;
  } cases[] = {
      {"dir.v2/file", "", "file", "dir.v2/file", "dir.v2/"},
      {"a.b/c", "", "c", "a.b/c", "a.b/"},
      {"file.txt", "txt", "file.txt", "file", ""},
      {"C:file", "", "file", "C:file", "C:"},
      {"Data\\Sub\\x.tar.gz", "gz", "x.tar.gz", "Data\\Sub\\x.tar", "Data\\Sub\\"},
      {"noext", "", "noext", "noext", ""},
      {"trail.", "", "trail.", "trail", ""},
      {"", "", "", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(FileExtension(c.path).Text(), c.ext) << c.path;
    EXPECT_STREQ(FileNamePart(c.path).Text(), c.name) << c.path;
    EXPECT_STREQ(StripExtension(c.path).Text(), c.stripped) << c.path;
    EXPECT_STREQ(DirectoryPart(c.path).Text(), c.dir) << c.path;
  }
  EXPECT_STREQ(FileNamePart(nullptr).Text(), "");
  EXPECT_STREQ(FileExtension(nullptr).Text(), "");
}

TEST(CStrTest, PathPrefixes) {
  struct Case {
    const char* path;
    const char* prefix;
    bool starts;
    const char* rest;
  } cases[] = {
      {"Data/x.img", "data\\", true, "x.img"},
      {"Data/x.img", "Data/x.img", false, ""},  // equal length
      {"Data/x.img", "Dat", true, "a/x.img"},
      {"Data/x.img", "Other", false, ""},
      {"a", "", true, "a"},
      {nullptr, "a", false, ""},
      {"a", nullptr, false, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PathStartsWith(c.path, c.prefix), c.starts);
    EXPECT_STREQ(StripPathPrefix(c.path, c.prefix).Text(), c.rest);
  }
  EXPECT_TRUE(EqualsNoCase("Paddle.IMG", "paddle.img"));
  EXPECT_FALSE(EqualsNoCase("paddle", "paddle.img"));
  EXPECT_FALSE(EqualsNoCase("\xC4", "\xE4"));  // ASCII only
  EXPECT_FALSE(EqualsNoCase(nullptr, ""));
}

TEST(CStrTest, StandardStringHelpers) {
  EXPECT_EQ(FormatHex(255), "FF");
  EXPECT_EQ(FormatHex(-1), "FFFFFFFF");
  EXPECT_EQ(FormatHex(0), "0");
  EXPECT_EQ(ToLower("MiXeD 1"), "mixed 1");
  EXPECT_EQ(ToLowerWide(L"MiXeD"), L"mixed");
  std::wstring wide = WidenString("a\x80\xFF");
  ASSERT_EQ(wide.size(), 3u);
  EXPECT_EQ(uint32_t(wide[0]), 0x61u);
  EXPECT_EQ(uint32_t(wide[1]), 0xFF80u);
  EXPECT_EQ(uint32_t(wide[2]), 0xFFFFu);
  EXPECT_EQ(NarrowString(wide), "a\x80\xFF");
  EXPECT_EQ(NarrowString(std::wstring(1, wchar_t(0x1234))), "\x34");
}

}  // namespace
