// Saves through the platform's file layer that fail or were interrupted:
// atomic writes made to fail as a full disk fails them, the temporaries a
// killed save leaves, and the settings store's batches.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "core/registry_settings.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "support/read_failure.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::stringstream s;
  s << std::ifstream(path.string(), std::ios::binary).rdbuf();
  return s.str();
}

void WriteAll(const fs::path& path, const std::string& text) {
  std::ofstream(path.string(), std::ios::binary | std::ios::trunc) << text;
}

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (fs::directory_iterator it(folder), end; it != end; ++it) names.insert(it->path().filename().string());
  return names;
}

void SetMtime(const fs::path& path, int64_t seconds) {
  struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

TEST(AtomicWrites, AnInjectedFailureKeepsTheOldFileAndSaysWhy) {
  const fs::path d = vantrel::test::MakeTempDir("inject");
  ASSERT_TRUE(plat::WriteFileAtomic(d / "out.bin", "old", 3));

  plat::FailNextAtomicWrites(2, ENOSPC);
  for (int i = 0; i < 2; ++i) {
    plat::WriteFailure failure;
    errno = 0;
    EXPECT_FALSE(plat::WriteFileAtomic(d / "out.bin", "new", 3, true, &failure));
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(failure.error, ENOSPC);
    EXPECT_TRUE(failure.created) << "the file could be made; writing it failed";
    EXPECT_EQ(ReadAll(d / "out.bin"), "old");
    EXPECT_EQ(Names(d), std::set<std::string>{"out.bin"}) << "no temporary stays";
  }
  EXPECT_TRUE(plat::WriteFileAtomic(d / "out.bin", "new", 3)) << "two failures were asked for, not three";
  EXPECT_EQ(ReadAll(d / "out.bin"), "new");

  // A file that cannot be created at all says so apart.
  plat::WriteFailure failure;
  EXPECT_FALSE(plat::WriteFileAtomic(d / "no" / "such" / "out.bin", "x", 1, true, &failure));
  EXPECT_EQ(failure.error, ENOENT);
  EXPECT_FALSE(failure.created);
  // A target that cannot be replaced (a folder in its place) fails at the rename.
  fs::create_directories(d / "busy" / "inside");
  EXPECT_FALSE(plat::WriteFileAtomic(d / "busy", "x", 1, true, &failure));
  EXPECT_TRUE(failure.created);
  EXPECT_NE(failure.error, 0);
  // As a folder the user may not write in fails it: nothing is made.
  plat::FailNextAtomicWrites(1, EACCES, true);
  EXPECT_FALSE(plat::WriteFileAtomic(d / "out.bin", "x", 1, true, &failure));
  EXPECT_EQ(failure.error, EACCES);
  EXPECT_FALSE(failure.created);
  EXPECT_EQ(ReadAll(d / "out.bin"), "new");
  plat::FailNextAtomicWrites(1, ENOSPC);
  plat::FailNextAtomicWrites(0, 0);
  EXPECT_TRUE(plat::WriteFileAtomic(d / "out.bin", "x", 1)) << "a count of 0 ends the failures";
}

TEST(AtomicWrites, LeftoversOfTheSameTargetAreRemovedOnceAMinuteOld) {
  plat::FakeClockScope clock;
  constexpr int64_t kNow = 1'700'000'000;
  plat::SetFakeUnixTime(kNow);
  const fs::path d = vantrel::test::MakeTempDir("leftovers");
  struct Case {
    const char* name;
    int64_t age;  // seconds before now
    bool removed;
  } cases[] = {
      {".Castle.hsc.Ab3xZ9", 61, true},      // a killed save's temporary
      {".Castle.hsc.Qq0000", 3600, true},    // an old one
      {".Castle.hsc.Young1", 59, false},     // a save may still own it
      {".Castle.hsc.Edge00", 60, false},     // exactly a minute: not older
      {".Castle.hsc.Ab3xZ", 3600, false},    // five letters: not mkstemp's
      {".Castle.hsc.Ab3xZ99", 3600, false},  // seven
      {".Castle.hsc.Ab-xZ9", 3600, false},   // not a letter or digit
      {".Other.hsc.Ab3xZ9", 3600, false},    // another target's
      {".castle.hsc.Ab3xZ9", 3600, false},   // names compare exactly
      {"Castle.hsc.Ab3xZ9", 3600, false},    // not hidden
      {"Castle.hsk", 3600, false},
  };
  for (const Case& c : cases) {
    WriteAll(d / c.name, "partial");
    SetMtime(d / c.name, kNow - c.age);
  }
  // A folder and a link of the pattern are never removed.
  fs::create_directories(d / ".Castle.hsc.Folder");
  SetMtime(d / ".Castle.hsc.Folder", kNow - 3600);
  fs::create_symlink(d / "Castle.hsk", d / ".Castle.hsc.Link00");
  SetMtime(d / ".Castle.hsc.Link00", kNow - 3600);

  ASSERT_TRUE(plat::WriteFileAtomic(d / "Castle.hsc", "table", 5));
  const std::set<std::string> left = Names(d);
  for (const Case& c : cases) EXPECT_EQ(left.count(c.name) == 0, c.removed) << c.name;
  EXPECT_EQ(left.count(".Castle.hsc.Folder"), 1u);
  EXPECT_EQ(left.count(".Castle.hsc.Link00"), 1u);
  EXPECT_EQ(ReadAll(d / "Castle.hsc"), "table");

  // A failing save clears them too: the space they hold may be what it lacks.
  WriteAll(d / ".Castle.hsc.Again1", "partial");
  SetMtime(d / ".Castle.hsc.Again1", kNow - 120);
  plat::FailNextAtomicWrites(1, ENOSPC);
  EXPECT_FALSE(plat::WriteFileAtomic(d / "Castle.hsc", "x", 1));
  EXPECT_EQ(Names(d).count(".Castle.hsc.Again1"), 0u);
  EXPECT_EQ(ReadAll(d / "Castle.hsc"), "table");
}

class SettingsBatch : public ::testing::Test {
 protected:
  void TearDown() override { plat::FailNextAtomicWrites(0, 0); }
  static int32_t Read(const char* product, const char* name) {
    RegistrySettings reg("Quillmark", product, 0);
    int32_t v = -1;
    reg.ReadInt(name, &v);
    return v;
  }
};

TEST_F(SettingsBatch, WritesAreStoredTogetherInOneWrite) {
  RegistrySettings reg("Quillmark", "Batch", 0);
  ASSERT_EQ(reg.WriteInt("A", 1), 1);
  ASSERT_EQ(reg.WriteInt("B", 2), 1);
  const std::string file = plat::SettingsStore::FilePath(reg.keyPath, false);
  const std::string before = ReadAll(file);

  ASSERT_EQ(reg.BeginBatch(), 1);
  EXPECT_EQ(reg.WriteInt("A", 10), 1);
  EXPECT_EQ(reg.WriteInt("B", 20), 1);
  EXPECT_EQ(reg.WriteInt("C", 30), 1);
  int32_t v = 0;
  EXPECT_EQ(reg.ReadInt("A", &v), 1);
  EXPECT_EQ(v, 10) << "the batch reads its own writes";
  EXPECT_EQ(ReadAll(file), before) << "nothing is written before the batch ends";
  EXPECT_EQ(Read("Batch", "A"), 1);
  EXPECT_NE(reg.key, nullptr);
  EXPECT_EQ(reg.EndBatch(), 1);
  EXPECT_EQ(reg.key, nullptr);
  EXPECT_EQ(Read("Batch", "A"), 10);
  EXPECT_EQ(Read("Batch", "B"), 20);
  EXPECT_EQ(Read("Batch", "C"), 30);

  // One failed write of the file: none of the batch is stored, and the hook
  // has nothing left for the write after it.
  plat::FailNextAtomicWrites(1, ENOSPC);
  ASSERT_EQ(reg.BeginBatch(), 1);
  for (const char* name : {"A", "B", "C", "D"}) reg.WriteInt(name, 99);
  errno = 0;
  EXPECT_EQ(reg.EndBatch(), 0);
  EXPECT_EQ(errno, ENOSPC);
  for (const char* name : {"A", "B", "C"}) EXPECT_NE(Read("Batch", name), 99) << name;
  EXPECT_EQ(Read("Batch", "D"), -1);
  EXPECT_EQ(reg.ReadInt("A", &v), 1);
  EXPECT_EQ(v, 10);
  EXPECT_EQ(reg.WriteInt("D", 4), 1);
  EXPECT_EQ(Read("Batch", "D"), 4);
}

TEST_F(SettingsBatch, ABatchOfReadsWritesNothing) {
  RegistrySettings reg("Quillmark", "Reads", 0);
  ASSERT_EQ(reg.WriteInt("A", 1), 1);
  const std::string file = plat::SettingsStore::FilePath(reg.keyPath, false);
  WriteAll(file, ReadAll(file) + "a line the store does not read\n");
  const std::string before = ReadAll(file);
  plat::FailNextAtomicWrites(1, ENOSPC);
  ASSERT_EQ(reg.BeginBatch(), 1);
  int32_t v = 0;
  EXPECT_EQ(reg.ReadInt("A", &v), 1);
  EXPECT_EQ(reg.ReadInt("Missing", &v), 0);
  EXPECT_EQ(reg.EndBatch(), 1) << "no write was asked for, so none failed";
  EXPECT_EQ(ReadAll(file), before);
  EXPECT_EQ(reg.EndBatch(), 0) << "no batch runs";
}

TEST_F(SettingsBatch, AWindowPlacementIsStoredWhole) {
  struct Window : plat::WindowPlacement {
    plat::WindowRect rect{100, 50, 740, 530};
    plat::WindowRect OuterRect() const override { return rect; }
    void MoveOuter(int32_t x, int32_t y, int32_t w, int32_t h, bool) override { rect = {x, y, x + w, y + h}; }
    int32_t ScreenWidth() const override { return 1920; }
    int32_t ScreenHeight() const override { return 1080; }
    bool IsMaximised() const override { return false; }
    void ShowNormal() override {}
    void ShowMaximised() override {}
  } window;
  RegistrySettings reg("Quillmark", "Placement", 0);
  ASSERT_EQ(reg.SaveWindow(&window, "Wnd", true, true), 1);
  window.rect = {300, 200, 500, 400};
  plat::FailNextAtomicWrites(1, ENOSPC);
  reg.SaveWindow(&window, "Wnd", true, true);
  EXPECT_EQ(Read("Placement", "WndX"), 100);
  EXPECT_EQ(Read("Placement", "WndY"), 50);
  EXPECT_EQ(Read("Placement", "WndW"), 640);
  ASSERT_EQ(reg.SaveWindow(&window, "Wnd", true, true), 1);
  window.rect = {0, 0, 10, 10};
  ASSERT_EQ(reg.RestoreWindow(&window, "Wnd", true, false), 1);
  EXPECT_EQ(window.rect.left, 300);
  EXPECT_EQ(window.rect.bottom, 400);
}

TEST_F(SettingsBatch, AFileThatCannotBeReadIsNeverWrittenOver) {
  // The settings of a user who may not read their own file (or of a disk
  // that fails): they read as none, and no write replaces the file with one
  // that holds only the new value.
  RegistrySettings reg("Quillmark", "Unreadable", 0);
  ASSERT_EQ(reg.WriteInt("Kept", 7), 1);
  const std::string file = plat::SettingsStore::FilePath(reg.keyPath, false);
  const std::string before = ReadAll(file);
  {
    vantrel::test::ReadRefusedScope refused("registry", EACCES);
    int32_t v = -1;
    EXPECT_EQ(reg.ReadInt("Kept", &v), 0);
    EXPECT_EQ(v, -1);
    errno = 0;
    EXPECT_EQ(reg.WriteInt("New", 1), 0);
    EXPECT_EQ(errno, EACCES);
    ASSERT_EQ(reg.BeginBatch(), 1);
    reg.WriteInt("New", 2);
    EXPECT_EQ(reg.EndBatch(), 0);
    EXPECT_EQ(ReadAll(file), before);
  }
  EXPECT_EQ(Read("Unreadable", "Kept"), 7);
  EXPECT_EQ(Read("Unreadable", "New"), -1);
}

}  // namespace
