// Clock, debug output and the settings file format.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/clock.h"
#include "platform/debug.h"
#include "platform/settings.h"

namespace {

TEST(PlatformClockTest, RealClocksRunForwardAtTheirRates) {
  EXPECT_EQ(plat::PerfFrequency(), 10'000'000);
  int64_t c0 = plat::PerfCounter();
  uint32_t m0 = plat::MilliClock();
  plat::SleepMs(20);
  int64_t c1 = plat::PerfCounter();
  uint32_t m1 = plat::MilliClock();
  EXPECT_GE(c1 - c0, 190'000);
  EXPECT_GE(uint32_t(m1 - m0), 19u);
  EXPECT_GT(plat::UnixTime(), 1'600'000'000);
  plat::YieldCpu();
}

TEST(PlatformClockTest, FakeClockMovesOnlyWhenTold) {
  {
    plat::FakeClockScope fake;
    EXPECT_TRUE(plat::FakeClockInstalled());
    EXPECT_EQ(plat::PerfCounter(), 0);
    EXPECT_EQ(plat::MilliClock(), 0u);
    plat::SetFakeUnixTime(1000);
    plat::AdvanceFakeClockMs(1500);
    EXPECT_EQ(plat::PerfCounter(), 15'000'000);
    EXPECT_EQ(plat::MilliClock(), 1500u);
    EXPECT_EQ(plat::UnixTime(), 1001);
    plat::SleepMs(500);
    EXPECT_EQ(plat::UnixTime(), 1002);
    plat::SetFakeCounterAvailable(false);
    EXPECT_EQ(plat::PerfFrequency(), 0);
    plat::SetFakeMilliClock(0xFFFFFFFFu);
    plat::AdvanceFakeClockMs(2);
    EXPECT_EQ(plat::MilliClock(), 1u);
  }
  EXPECT_FALSE(plat::FakeClockInstalled());
  EXPECT_GT(plat::PerfCounter(), 0);
}

TEST(PlatformDebugTest, CaptureSeesEverythingAndStderrOnlyWhenAsked) {
  unsetenv("VANTREL_DEBUG");
  testing::internal::CaptureStderr();
  {
    plat::DebugCaptureScope capture;
    plat::DebugOutput("quiet\n");
    plat::DebugOutput(nullptr);
    setenv("VANTREL_DEBUG", "0", 1);
    plat::DebugOutput("still quiet\n");
    setenv("VANTREL_DEBUG", "1", 1);
    plat::DebugOutput("loud\n");
    EXPECT_EQ(capture.text, "quiet\nstill quiet\nloud\n");
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "loud\n");
  unsetenv("VANTREL_DEBUG");
}

TEST(PlatformSettingsTest, FileFormatKeepsTypesAndOddBytes) {
  auto store = plat::SettingsStore::Open("Software\\Quillmark\\Format", false);
  ASSERT_TRUE(store);
  std::string odd;
  for (int c = 1; c < 256; ++c) odd += char(c);
  ASSERT_TRUE(store->WriteString("name with \"quotes\" = and \\", odd.c_str()));
  ASSERT_TRUE(store->WriteDword("D", 0xDEADBEEFu));
  auto again = plat::SettingsStore::Open("Software/Quillmark/Format", false);
  char buf[300];
  ASSERT_TRUE(again->ReadString("name with \"quotes\" = and \\", buf, sizeof buf));
  EXPECT_EQ(std::string(buf), odd);
  uint32_t v = 0;
  ASSERT_TRUE(again->ReadDword("D", &v));
  EXPECT_EQ(v, 0xDEADBEEFu);
  std::stringstream text;
  text << std::ifstream(plat::SettingsStore::FilePath("Software\\Quillmark\\Format", false)).rdbuf();
  for (char c : text.str()) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << int(c);
  EXPECT_NE(text.str().find("\"D\"=dword:deadbeef\n"), std::string::npos);
  // Value names ignore letter case and keep their first spelling.
  ASSERT_TRUE(again->WriteDword("d", 5));
  ASSERT_TRUE(again->ReadDword("D", &v));
  EXPECT_EQ(v, 5u);
  // Key paths cannot climb out of the settings folder.
  std::string path = plat::SettingsStore::FilePath("Software\\..\\..\\x", false);
  EXPECT_EQ(path.find("/../"), std::string::npos) << path;
}

}  // namespace
