#include "core/registry_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "core/cstr.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;

namespace {

// A window double: an outer rectangle, a screen size and a show state.
class FakeWindow : public plat::WindowPlacement {
 public:
  plat::WindowRect rect{100, 50, 740, 530};
  int32_t screenW = 1920, screenH = 1080;
  bool maximised = false;
  int moves = 0, normals = 0, maximises = 0;
  bool lastRepaint = false;

  plat::WindowRect OuterRect() const override { return rect; }
  void MoveOuter(int32_t x, int32_t y, int32_t w, int32_t h, bool repaint) override {
    rect = {x, y, x + w, y + h};
    lastRepaint = repaint;
    ++moves;
  }
  int32_t ScreenWidth() const override { return screenW; }
  int32_t ScreenHeight() const override { return screenH; }
  bool IsMaximised() const override { return maximised; }
  void ShowNormal() override {
    ++normals;
    maximised = false;
  }
  void ShowMaximised() override {
    ++maximises;
    maximised = true;
  }
};

std::string ReadAll(const std::string& path) {
  std::stringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
}

TEST(RegistrySettingsTest, KeyPathAndWhereItLives) {
  EXPECT_STREQ(RegistrySettings("Quillmark", "Vantrel - Orvesse", 0).keyPath, "Software\\Quillmark\\Vantrel - Orvesse");
  EXPECT_STREQ(RegistrySettings(nullptr, "P", 0).keyPath, "Software\\P");
  EXPECT_STREQ(RegistrySettings("M", nullptr, 0).keyPath, "Software\\M");
  EXPECT_STREQ(RegistrySettings(nullptr, nullptr, 0).keyPath, "Software");
  RegistrySettings reg("Quillmark", "Vantrel - Orvesse", 0);
  ASSERT_EQ(reg.WriteInt("FullScreen", 1), 1);
  EXPECT_EQ(reg.key, nullptr) << "no key stays open between operations";
  std::string file = std::string(std::getenv("XDG_CONFIG_HOME")) + "/Quillmark/Vantrel - Orvesse/registry.ini";
  EXPECT_EQ(plat::SettingsStore::FilePath(reg.keyPath, false), file);
  EXPECT_TRUE(fs::exists(file));
}

TEST(RegistrySettingsTest, ValuesRoundTripAndFailuresKeepDefaults) {
  RegistrySettings reg("Quillmark", "Test", 0);
  int32_t v = 77;
  EXPECT_EQ(reg.ReadInt("Missing", &v), 0);
  EXPECT_EQ(v, 77);
  EXPECT_EQ(reg.WriteInt("Neg", -5), 1);
  EXPECT_EQ(reg.ReadInt("Neg", &v), 1);
  EXPECT_EQ(v, -5);
  EXPECT_EQ(reg.WriteString("Empty", ""), 1);
  EXPECT_EQ(reg.WriteString("Text", "a \"quoted\"\\ line\nwith \xE5\xC4 bytes"), 1);
  char buf[64];
  std::strcpy(buf, "unchanged");
  EXPECT_EQ(reg.ReadString("Empty", buf, sizeof buf), 1);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(reg.ReadString("Text", buf, sizeof buf), 1);
  EXPECT_STREQ(buf, "a \"quoted\"\\ line\nwith \xE5\xC4 bytes");
  CStr s("default");
  EXPECT_EQ(reg.ReadString("Missing", s), 0);
  EXPECT_STREQ(s.Text(), "default");
  EXPECT_EQ(reg.ReadString("Text", s), 1);
  EXPECT_EQ(s.length, 30);
  // A string that does not fit fails and leaves the buffer alone; one that
  // fits exactly (terminator included) is read.
  std::strcpy(buf, "keep");
  EXPECT_EQ(reg.WriteString("Five", "12345"), 1);
  EXPECT_EQ(reg.ReadString("Five", buf, 5), 0);
  EXPECT_STREQ(buf, "keep");
  EXPECT_EQ(reg.ReadString("Five", buf, 6), 1);
  EXPECT_STREQ(buf, "12345");
  // Reads look at the size only: a string of 3 characters is 4 bytes.
  EXPECT_EQ(reg.WriteString("Abc", "abc"), 1);
  EXPECT_EQ(reg.ReadInt("Abc", &v), 1);
  EXPECT_EQ(v, int32_t(uint32_t('a') | uint32_t('b') << 8 | uint32_t('c') << 16));
  EXPECT_EQ(reg.ReadInt("Text", &v), 0);
  // Null arguments fail at once.
  EXPECT_EQ(reg.ReadInt(nullptr, &v), 0);
  EXPECT_EQ(reg.ReadInt("Neg", nullptr), 0);
  EXPECT_EQ(reg.ReadString("Text", nullptr, 5), 0);
  EXPECT_EQ(reg.ReadString("Text", buf, 0), 0);
  EXPECT_EQ(reg.WriteString("X", nullptr), 0);
  EXPECT_EQ(reg.WriteInt(nullptr, 1), 0);
  // Another object on the same key sees the values.
  RegistrySettings again("Quillmark", "Test", 0);
  EXPECT_EQ(again.ReadInt("Neg", &v), 1);
  EXPECT_EQ(v, -5);
  RegistrySettings machine("Quillmark", "Test", 1);
  EXPECT_EQ(machine.ReadInt("Neg", &v), 0);
}

TEST(RegistrySettingsTest, ValuePrefix) {
  RegistrySettings reg("Quillmark", "Prefix", 0);
  EXPECT_EQ(reg.SetValuePrefix("Opt"), 1);
  EXPECT_EQ(reg.WriteInt("FullScreen", 3), 1);
  EXPECT_EQ(reg.SetValuePrefix(nullptr), 0);
  int32_t v = 0;
  EXPECT_EQ(reg.ReadInt("FullScreen", &v), 0);
  EXPECT_EQ(reg.ReadInt("OptFullScreen", &v), 1);
  EXPECT_EQ(v, 3);
  EXPECT_EQ(reg.SetValuePrefix(std::string(999, 'p').c_str()), 1);
  EXPECT_EQ(reg.SetValuePrefix(std::string(1000, 'p').c_str()), 0);
  EXPECT_STREQ(reg.valuePrefix, "");
}

TEST(RegistrySettingsTest, DamagedOrForeignFilesReadAsMissingValues) {
  RegistrySettings reg("Quillmark", "Damaged", 0);
  std::string file = plat::SettingsStore::FilePath(reg.keyPath, false);
  fs::create_directories(fs::path(file).parent_path());
  std::string garbage = std::string(1, '\0') +
                        "\xFF\"A\"=dword:zz\n\"B\"=dword:0000000a\n\"C\"=sz:\"unterminated\n[x]\n" +
                        "\"D\"=sz:\"ok\"\r\n\"E\"=dword:1\n\"F\"=sz:\"bad\\q\"\n";
  std::ofstream(file, std::ios::binary) << garbage;
  int32_t v = -1;
  char buf[16];
  EXPECT_EQ(reg.ReadInt("A", &v), 0);
  EXPECT_EQ(reg.ReadInt("B", &v), 1);
  EXPECT_EQ(v, 10);
  EXPECT_EQ(reg.ReadString("C", buf, sizeof buf), 0);
  EXPECT_EQ(reg.ReadString("D", buf, sizeof buf), 1);
  EXPECT_STREQ(buf, "ok");
  EXPECT_EQ(reg.ReadInt("E", &v), 0);
  EXPECT_EQ(reg.ReadString("F", buf, sizeof buf), 0);
  // A write replaces the file atomically and leaves no temporary behind.
  EXPECT_EQ(reg.WriteInt("G", 7), 1);
  int files = 0;
  for (auto& e : fs::directory_iterator(fs::path(file).parent_path())) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);
  EXPECT_NE(ReadAll(file).find("\"G\"=dword:00000007"), std::string::npos);
}

TEST(RegistrySettingsTest, UnwritableStoreFailsSilently) {
  std::string root = (vantrel::test::MakeTempDir("ro") / "blocked").string();
  std::ofstream(root) << "a file where the folder should be";
  std::string saved = std::getenv("XDG_CONFIG_HOME");
  setenv("XDG_CONFIG_HOME", root.c_str(), 1);
  RegistrySettings reg("Quillmark", "Nowhere", 0);
  int32_t v = 5;
  EXPECT_EQ(reg.OpenKey(), 0);
  EXPECT_EQ(reg.WriteInt("A", 1), 0);
  EXPECT_EQ(reg.ReadInt("A", &v), 0);
  EXPECT_EQ(v, 5);
  EXPECT_EQ(reg.CloseKey(), 0);
  FakeWindow w;
  EXPECT_EQ(reg.RestoreWindow(&w, "MainWnd", true, true), 0);
  EXPECT_EQ(reg.SaveWindow(&w, "MainWnd", true, true), 0);
  EXPECT_EQ(w.moves + w.normals, 0);
  setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

TEST(RegistrySettingsTest, RestoreClampsToTheScreen) {
  // Window 640 x 480 on a 1920 x 1080 screen: half 320 x 240.
  struct Case {
    int32_t x, y, wantX, wantY;
  } cases[] = {
      {-32000, -32000, -8, -8},  // saved while minimised
      {-9, -8, -8, -8},
      {100, 200, 100, 200},
      {5000, 5000, 1920 - 320, 1080 - 240},
      {1600, 840, 1920 - 320, 1080 - 240},  // exactly at the limit
      {1599, 839, 1599, 839},
  };
  for (const auto& c : cases) {
    RegistrySettings reg("Quillmark", "Place", 0);
    reg.WriteInt("MainWndX", c.x);
    reg.WriteInt("MainWndY", c.y);
    FakeWindow w;
    EXPECT_EQ(reg.RestoreWindow(&w, "MainWnd", false, false), 1);
    EXPECT_EQ(w.rect.left, c.wantX) << c.x;
    EXPECT_EQ(w.rect.top, c.wantY) << c.y;
    EXPECT_EQ(w.rect.right - w.rect.left, 640);
    EXPECT_EQ(w.rect.bottom - w.rect.top, 480);
    EXPECT_TRUE(w.lastRepaint);
    EXPECT_EQ(w.normals + w.maximises, 0);
  }
}

TEST(RegistrySettingsTest, RestoreNeedsBothCoordinatesAndHandlesSizeAndShowState) {
  RegistrySettings reg("Quillmark", "Partial", 0);
  reg.WriteInt("DlgX", 10);
  FakeWindow w;
  EXPECT_EQ(reg.RestoreWindow(&w, "Dlg", false, false), 0);
  EXPECT_EQ(w.moves, 0);
  // Show state asked for but missing: shown normally, though nothing was
  // known.
  EXPECT_EQ(reg.RestoreWindow(&w, "Dlg", false, true), 0);
  EXPECT_EQ(w.moves, 0);
  EXPECT_EQ(w.normals, 1);
  reg.WriteInt("DlgY", 20);
  reg.WriteInt("DlgW", 301);
  reg.WriteInt("DlgH", 201);
  reg.WriteInt("DlgS", 1);
  EXPECT_EQ(reg.RestoreWindow(&w, "Dlg", true, true), 1);
  EXPECT_EQ(w.rect.left, 10);
  EXPECT_EQ(w.rect.right - w.rect.left, 301);
  EXPECT_EQ(w.rect.bottom - w.rect.top, 201);
  EXPECT_EQ(w.maximises, 1);
  reg.WriteInt("DlgS", 7);  // other values change nothing
  int shows = w.normals + w.maximises;
  EXPECT_EQ(reg.RestoreWindow(&w, "Dlg", false, true), 1);
  EXPECT_EQ(w.normals + w.maximises, shows);
  EXPECT_EQ(reg.RestoreWindow(nullptr, "Dlg", false, false), 0);
  EXPECT_EQ(reg.RestoreWindow(&w, nullptr, false, false), 0);
}

TEST(RegistrySettingsTest, SaveThenRestore) {
  RegistrySettings reg("Quillmark", "Sheetwright", 0);
  FakeWindow a;
  a.rect = {-32000, -32000, -31840, -31973};  // minimised
  a.maximised = true;
  EXPECT_EQ(reg.SaveWindow(&a, "PreviewWnd", true, true), 1);
  int32_t v = 0;
  EXPECT_EQ(reg.ReadInt("PreviewWndX", &v), 1);
  EXPECT_EQ(v, -32000);
  EXPECT_EQ(reg.ReadInt("PreviewWndW", &v), 1);
  EXPECT_EQ(v, 160);
  EXPECT_EQ(reg.ReadInt("PreviewWndS", &v), 1);
  EXPECT_EQ(v, 1);
  FakeWindow b;
  EXPECT_EQ(reg.RestoreWindow(&b, "PreviewWnd", false, false), 1);
  EXPECT_EQ(b.rect.left, -8);
  EXPECT_EQ(b.rect.top, -8);
  // Only position by default: no size values are written.
  RegistrySettings other("Quillmark", "Other", 0);
  EXPECT_EQ(other.SaveWindow(&b, "MainDlgWnd", false, false), 1);
  EXPECT_EQ(other.ReadInt("MainDlgWndW", &v), 0);
  EXPECT_EQ(other.ReadInt("MainDlgWndY", &v), 1);
  EXPECT_EQ(v, -8);
  // A prefix longer than 254 characters is cut there.
  std::string longPrefix(300, 'p');
  EXPECT_EQ(other.SaveWindow(&b, longPrefix.c_str(), false, false), 1);
  EXPECT_EQ(other.ReadInt((std::string(254, 'p') + "X").c_str(), &v), 1);
}

}  // namespace
