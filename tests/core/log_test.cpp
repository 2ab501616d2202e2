#include "core/log.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/cstr.h"
#include "platform/debug.h"
#include "support/test_support.h"

namespace {

std::vector<std::pair<std::string, int>> calls;
void Record(const char* text, int level) { calls.emplace_back(text, level); }

TEST(LogTest, WriteGoesToCallbackThenDebugOutput) {
  calls.clear();
  plat::DebugCaptureScope capture;
  SetLogCallback(Record);
  LogWrite(nullptr, 3);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(capture.text, "");
  LogWrite("one\n", 2);
  LogWrite("two");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0], std::make_pair(std::string("one\n"), 2));
  EXPECT_EQ(calls[1].second, 0);
  EXPECT_EQ(capture.text, "one\ntwo");
  SetLogCallback(nullptr);
  LogWrite("three");
  EXPECT_EQ(calls.size(), 2u);
  EXPECT_EQ(capture.text, "one\ntwothree");
}

TEST(LogTest, LogFileReceivesTheBytesAsTheyAre) {
  boost::filesystem::path file = vantrel::test::MakeTempDir("log") / "log.txt";
  std::ofstream(file.string()) << "old contents";
  EXPECT_FALSE(SetLogFile(false, nullptr));  // none open
  ASSERT_TRUE(SetLogFile(true, file.string().c_str()));
  LogWrite("a");
  LogWrite("b\n");
  EXPECT_TRUE(SetLogFile(false, nullptr));
  LogWrite("not logged");
  std::stringstream got;
  got << std::ifstream(file.string()).rdbuf();
  EXPECT_EQ(got.str(), "ab\n");
  EXPECT_FALSE(SetLogFile(true, (file.parent_path() / "no/such/dir/x").string().c_str()));
}

TEST(LogTest, DebugPrintHelpers) {
  plat::DebugCaptureScope capture;
  DebugPrint("narrow ");
  DebugPrintWide(std::wstring(L"wide") + wchar_t(0xFFE4));
  EXPECT_EQ(capture.text, "narrow wide\xE4");
}

TEST(FormatStringTest, FormatsWholeTexts) {
  EXPECT_EQ(FormatString("Player %d    Board %d", 2, 7), "Player 2    Board 7");
  EXPECT_EQ(FormatString("Scene: %d, Boardset: %s, Board: %d\n", 3, "Castle", 12),
            "Scene: 3, Boardset: Castle, Board: 12\n");
  EXPECT_EQ(FormatString("FPS: %.2f\n", 59.996f), "FPS: 60.00\n");
  EXPECT_EQ(FormatString("New mod created: #%lld", 123456789012345LL), "New mod created: #123456789012345");
  EXPECT_EQ(FormatString("Duplicate charm named %s in file %s", "Gem", "a.charms"),
            "Duplicate charm named Gem in file a.charms");
  EXPECT_EQ(FormatInt("%d", -5), "-5");
  EXPECT_EQ(FormatString("no arguments"), "no arguments");
  EXPECT_EQ(FormatString("%s", ""), "");
  std::string big(5000, 'q');
  std::string got = FormatString("[%s]", big.c_str());
  EXPECT_EQ(got.size(), 5002u);
  EXPECT_EQ(got, "[" + big + "]");
}

// Only what printf can read travels through the family: a class object such
// as std::string or CStr is refused at compile time instead of being read as
// garbage by the formatter.
template <class... A>
concept Formattable = requires(A... a) {
  FormatString("%d", a...);
};
static_assert(Formattable<int, const char*, int>);
static_assert(Formattable<float>);
static_assert(Formattable<long long, unsigned, char*>);
static_assert(!Formattable<std::string>);
static_assert(!Formattable<int, CStr>);
static_assert(!Formattable<std::wstring>);

TEST(FormatStringTest, FormatterErrorGivesEmptyString) {
  std::setlocale(LC_ALL, "C");
  // A wide character the C locale cannot convert makes the formatter fail.
  EXPECT_EQ(FormatString("abc %lc", wint_t(0x20AC)), "");
  EXPECT_EQ(FormatString(static_cast<const char*>(nullptr)), "");
}

TEST(FormatStringTest, FormatIntoBufferReportsWhatFits) {
  char buf[32];
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(FormatIntoBuffer(buf, 32, "%X", 0xBEEFu), 4);
  EXPECT_STREQ(buf, "BEEF");
  std::string s31(31, 'x'), s32(32, 'y'), s33(33, 'z');
  EXPECT_EQ(FormatIntoBuffer(buf, 32, "%s", s31.c_str()), 31);
  EXPECT_EQ(std::string(buf), s31);
  EXPECT_EQ(FormatIntoBuffer(buf, 32, "%s", s32.c_str()), 32);  // no room for the terminator
  EXPECT_EQ(std::string(buf, 32), s32);
  EXPECT_EQ(FormatIntoBuffer(buf, 32, "%s", s33.c_str()), -1);
  EXPECT_EQ(FormatIntoBuffer(buf, 2, "%d", 123), -1);
  EXPECT_EQ(FormatIntoBuffer(nullptr, 2, "%d", 1), -1);
}

}  // namespace
