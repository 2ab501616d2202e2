#include "core/data_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/debug.h"
#include "platform/files.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;

namespace {

void Write(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p.string(), std::ios::binary) << bytes;
}

class InFolder {
 public:
  explicit InFolder(const fs::path& dir) : old_(fs::current_path()) { fs::current_path(dir); }
  ~InFolder() { fs::current_path(old_); }

 private:
  fs::path old_;
};

TEST(DataFilesTest, StartsWithTheCurrentFolderAndSearchesFlat) {
  fs::path start = vantrel::test::MakeTempDir("start");
  Write(start / "Paddle.img", "p");
  InFolder in(start);
  DataFiles files;
  ASSERT_EQ(files.searchDirs.size(), 1u);
  EXPECT_TRUE(fs::equivalent(files.searchDirs[0], start));
  EXPECT_EQ(files.FindFile("Paddle.img", false, false), files.searchDirs[0] / "Paddle.img");
  EXPECT_EQ(files.FindFile("Nowhere.img", false, true), fs::path("Nowhere.img"));
  EXPECT_EQ(files.FindFile("Nowhere.img", true, true), fs::path("Nowhere.img"));
}

TEST(DataFilesTest, LastFolderFirstPrefersFoldersAppendedLater) {
  fs::path a = vantrel::test::MakeTempDir("a"), b = vantrel::test::MakeTempDir("b");
  Write(a / "Gfx/ball.img", "a");
  Write(b / "More/ball.img", "b");
  Write(a / "only_a.img", "a");
  DataFiles files;
  files.searchDirs = {a, b};
  EXPECT_EQ(files.FindFile("ball.img", true, true), b / "More" / "ball.img");
  EXPECT_EQ(files.FindFile("ball.img", true, false), a / "Gfx" / "ball.img");
  EXPECT_EQ(files.FindFile("only_a.img", false, true), a / "only_a.img");
  // Flat searches join the name unchanged, '\' read as a separator.
  EXPECT_EQ(files.FindFile("Gfx\\ball.img", false, true), a / "Gfx" / "ball.img");
  // A folder of that name counts in a flat search.
  EXPECT_EQ(files.FindFile("More", false, false), b / "More");
}

TEST(DataFilesTest, RecursiveSearchIsCaseSensitiveAndFindsDeepFiles) {
  fs::path a = vantrel::test::MakeTempDir("deep");
  Write(a / "One/Two/Paddle.img", "x");
  Write(a / "paddle.img", "lower");
  DataFiles files;
  files.searchDirs = {a};
  EXPECT_EQ(files.FindFile("Paddle.img", true, true), a / "One" / "Two" / "Paddle.img");
  EXPECT_EQ(files.FindFile("PADDLE.IMG", true, true), fs::path("PADDLE.IMG"));
  // A name of two elements never matches in a recursive search.
  EXPECT_EQ(files.FindFile("Two/Paddle.img", true, true), fs::path("Two/Paddle.img"));
}

TEST(DataFilesTest, MissingFolderIsSkippedAfterADebugLine) {
  fs::path good = vantrel::test::MakeTempDir("good");
  Write(good / "x.img", "x");
  DataFiles files;
  files.searchDirs = {good, good / "does-not-exist"};
  plat::DebugCaptureScope capture;
  EXPECT_EQ(files.FindFile("x.img", true, true), good / "x.img");
  EXPECT_NE(capture.text.find("does-not-exist"), std::string::npos) << capture.text;
  std::string before = capture.text;
  EXPECT_EQ(files.FindFile("x.img", false, true), good / "x.img");
  EXPECT_EQ(capture.text, before) << "a flat search writes nothing";
}

TEST(DataFilesTest, ListDirComparesExtensionsExactly) {
  fs::path d = vantrel::test::MakeTempDir("charms");
  for (const char* n : {"a.charms", "b.charms.bak", "c.CHARMS", "charms", ".charms"}) Write(d / n, "c");
  Write(d / "Sub/d.charms", "d");
  DataFiles files;
  std::vector<fs::path> flat = files.ListDir(d, ".charms", false);
  EXPECT_EQ(flat, (std::vector<fs::path>{d / ".charms", d / "a.charms"}));
  std::vector<fs::path> deep = files.ListDir(d, ".charms", true);
  EXPECT_EQ(deep, (std::vector<fs::path>{d / ".charms", d / "a.charms", d / "Sub" / "d.charms"}));
  plat::DebugCaptureScope capture;
  EXPECT_TRUE(files.ListDir(d / "missing", ".charms", true).empty());
  EXPECT_FALSE(capture.text.empty());
  fs::path e = vantrel::test::MakeTempDir("charms2");
  Write(e / "z.charms", "z");
  files.searchDirs = {e, d};
  std::vector<fs::path> all = files.ListAll(".charms", false);
  EXPECT_EQ(all, (std::vector<fs::path>{e / "z.charms", d / ".charms", d / "a.charms"}));
}

TEST(DataFilesTest, AnUnreadableFolderHidesNothingElse) {
  fs::path d = vantrel::test::MakeTempDir("unreadable");
  Write(d / "A" / "Closed" / "in.charms", "c");
  Write(d / "A" / "Later" / "x.charms", "x");
  Write(d / "B.charms", "b");
  plat::SetListFolderFailure([](const fs::path& folder) { return folder.filename() == "Closed"; });
  plat::DebugCaptureScope capture;
  DataFiles files;
  files.searchDirs = {d};
  EXPECT_EQ(files.ListDir(d, ".charms", true), (std::vector<fs::path>{d / "A" / "Later" / "x.charms", d / "B.charms"}));
  EXPECT_NE(capture.text.find("Closed"), std::string::npos) << capture.text;
  EXPECT_EQ(files.FindFile("x.charms", true, true), d / "A" / "Later" / "x.charms");
  EXPECT_EQ(files.FindFile("B.charms", true, true), d / "B.charms");
  EXPECT_EQ(files.FindFile("in.charms", true, true), fs::path("in.charms"));
  plat::SetListFolderFailure(nullptr);
  EXPECT_EQ(files.FindFile("in.charms", true, true), d / "A" / "Closed" / "in.charms");
}

TEST(DataFilesTest, StoredNamesNeverLeadOutOfTheFolders) {
  fs::path d = vantrel::test::MakeTempDir("escape");
  const fs::path start = d / "game" / "run";
  Write(start / "Sub" / "y.img", "inside");
  Write(d / "game" / "x.img", "outside");
  Write(d / "secret.img", "outside");
  InFolder in(start);
  DataFiles files;
  files.searchDirs = {start};
  for (const std::string& name :
       std::vector<std::string>{"..\\x.img", "../x.img", "..\\..\\secret.img", "Sub\\..\\..\\x.img", "..",
                                (d / "secret.img").string(), "\\" + (d / "secret.img").string().substr(1)}) {
    for (bool recursive : {false, true}) {
      const fs::path found = files.FindFile(name, recursive, true);
      EXPECT_EQ(found, fs::path()) << name << " recursive " << recursive;
      EXPECT_EQ(files.Open(found), nullptr) << name;
    }
  }
  // A stored name inside the folders still reads '\' as a separator.
  EXPECT_EQ(files.FindFile("Sub\\y.img", false, true), start / "Sub" / "y.img");
  EXPECT_EQ(files.FindFile("Sub\\y.img", true, true), fs::path("Sub/y.img"));
  EXPECT_NE(files.Open(files.FindFile("Sub\\y.img", true, true)), nullptr);
}

TEST(DataFilesTest, NamesFromAListingOpenAsTheyStand) {
  fs::path d = vantrel::test::MakeTempDir("asis");
  const fs::path folder = d / "item" / "content";
  Write(folder / "..\\..\\Secret.bdz", "inside");
  Write(d / "Secret.bdz", "outside");
  Write(folder / "..\\up" / "Paddle.img", "inside too");
  Write(d / "item" / "up" / "Paddle.img", "outside");
  DataFiles files;
  files.searchDirs = {folder};
  const std::vector<fs::path> listed = files.ListDir(folder, ".bdz", true);
  ASSERT_EQ(listed, (std::vector<fs::path>{folder / "..\\..\\Secret.bdz"}));
  auto contents = [&](const fs::path& path) {
    if (!files.Open(path)) return std::string("not opened");
    char c[16] = {};
    files.Read(c, 1, sizeof c - 1);
    files.Close();
    return std::string(c);
  };
  EXPECT_EQ(contents(listed[0]), "inside");
  const fs::path paddle = files.FindFile("Paddle.img", true, true);
  EXPECT_EQ(paddle, folder / "..\\up" / "Paddle.img");
  EXPECT_EQ(contents(paddle), "inside too");
}

TEST(DataFilesTest, ReadsFromTheOpenFile) {
  fs::path d = vantrel::test::MakeTempDir("read");
  Write(d / "data.bin", std::string("\x01\x02\x03\x04\xFF\x10\x20", 7));
  DataFiles files;
  EXPECT_EQ(files.ReadByte(), 0);
  EXPECT_EQ(files.ReadInt32(), 0);
  char buf[8];
  EXPECT_EQ(files.Read(buf, 1, 8), 0u);
  EXPECT_EQ(files.Seek(2, SEEK_SET), 0);
  EXPECT_EQ(files.Tell(), 0);
  EXPECT_EQ(files.FileSize(), 0u);

  ASSERT_NE(files.Open(d / "data.bin"), nullptr);
  EXPECT_EQ(files.CurrentPath(), d / "data.bin");
  EXPECT_EQ(files.ReadInt32(), 0x04030201);
  EXPECT_EQ(files.ReadByte(), 0xFF);
  EXPECT_EQ(files.Tell(), 5);
  EXPECT_EQ(files.FileSize(), 7u);
  EXPECT_EQ(files.Tell(), 5);
  EXPECT_EQ(files.ReadInt32(), 0x2010) << "a short read leaves the missing bytes 0";
  EXPECT_EQ(files.ReadByte(), 0);
  EXPECT_EQ(files.Seek(-3, SEEK_END), 0);
  EXPECT_EQ(files.Read(buf, 1, 8), 3u);
  EXPECT_EQ(files.Read(nullptr, 1, 8), 0u);
  EXPECT_EQ(files.Open(d / "missing.bin"), nullptr);
  EXPECT_EQ(files.current, nullptr);
  EXPECT_EQ(files.ReadByte(), 0);
  ASSERT_NE(files.Open(d / "data.bin"), nullptr);
  files.Close();
  EXPECT_EQ(files.current, nullptr);
}

TEST(DataFilesTest, CreateDirectoryRecursiveMakesMissingParents) {
  fs::path d = vantrel::test::MakeTempDir("mk");
  std::string deep = (d / "a").string() + "\\b/c";
  EXPECT_TRUE(CreateDirectoryRecursive(deep.c_str()));
  EXPECT_TRUE(fs::is_directory(d / "a" / "b" / "c"));
  EXPECT_TRUE(CreateDirectoryRecursive(deep.c_str()));  // already there
  Write(d / "file", "f");
  EXPECT_FALSE(CreateDirectoryRecursive((d / "file").string().c_str()));
  EXPECT_FALSE(CreateDirectoryRecursive((d / "file" / "sub").string().c_str()));
  EXPECT_FALSE(CreateDirectoryRecursive(nullptr));
}

}  // namespace
