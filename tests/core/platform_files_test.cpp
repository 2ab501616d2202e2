#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/read_failure.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;

namespace {

void Touch(const fs::path& p) {
  fs::create_directories(p.parent_path());
  std::ofstream(p.string()) << "x";
}

TEST(PlatformFilesTest, WindowsPatterns) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*.*", "README", true},
      {"*.*", "a.b.c", true},
      {"*.*", ".hidden", true},
      {"*", "anything", true},
      {"*.bdz", "Castle.BDZ", true},
      {"*.bdz", "Castle.bdz.bak", false},
      {"*.bdz", "bdz", false},
      {"?.txt", "a.txt", true},
      {"?.txt", "ab.txt", false},
      {"readme.*", "README", true},
      {"readme.*", "readme.md", true},
      {"*.", "noext", true},
      {"*.", "has.ext", false},
      {"a*b*c", "aXXbYYc", true},
      {"a*b*c", "aXXbYY", false},
      {"Mods\\x", "x", false},
      {"*.mod", "Beat Wave.MOD", true},
      {"exact.img", "Exact.IMG", true},
      {"**a", "bba", true},
      {"", "", true},
      {"", "a", false},
  };
  for (const auto& c : cases) EXPECT_EQ(plat::MatchPattern(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
  // Long hostile patterns stay fast.
  std::string name(5000, 'a');
  EXPECT_FALSE(plat::MatchPattern(std::string(50, '*') + "b", name));
}

TEST(PlatformFilesTest, ListingsAreSortedWithoutRegardToCase) {
  fs::path d = vantrel::test::MakeTempDir("sorted");
  for (const char* n : {"b.txt", "C.txt", "a.txt", "B.txt", "_x", "Z"}) Touch(d / n);
  fs::create_directories(d / "dir");
  std::vector<plat::FolderEntry> out;
  ASSERT_TRUE(plat::ListFolder(d, out));
  std::vector<std::string> names;
  for (auto& e : out) names.push_back(e.name + (e.isDirectory ? "/" : ""));
  EXPECT_EQ(names, (std::vector<std::string>{"_x", "a.txt", "B.txt", "b.txt", "C.txt", "dir/", "Z"}));
  std::string error;
  EXPECT_FALSE(plat::ListFolder(d / "missing", out, &error));
  EXPECT_NE(error.find("missing"), std::string::npos);

  ASSERT_TRUE(plat::FindFiles((d / "*.TXT").string(), out));
  EXPECT_EQ(out.size(), 4u);
  std::string backslashed = d.string() + "\\b*";
  ASSERT_TRUE(plat::FindFiles(backslashed, out));
  EXPECT_EQ(out.size(), 2u);
  EXPECT_FALSE(plat::FindFiles((d / "*.none").string(), out));
  EXPECT_FALSE(plat::FindFiles(d.string() + "/", out));
}

TEST(PlatformFilesTest, OpenAndAtomicWritesReadBackslashesAsSeparators) {
  fs::path d = vantrel::test::MakeTempDir("open");
  Touch(d / "Scores" / "Castle.hsc");
  FILE* f = plat::OpenFile(d.string() + "\\Scores\\Castle.hsc", "rb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(plat::ToPath("a\\b\\c"), fs::path("a/b/c"));
  ASSERT_TRUE(plat::WriteFileAtomic(d / "out.bin", "new", 3));
  ASSERT_TRUE(plat::WriteFileAtomic(d / "out.bin", "newer", 5));
  std::stringstream s;
  s << std::ifstream((d / "out.bin").string()).rdbuf();
  EXPECT_EQ(s.str(), "newer");
  EXPECT_FALSE(plat::WriteFileAtomic(d / "no" / "such" / "out.bin", "x", 1));
  int count = 0;
  for (auto& e : fs::directory_iterator(d)) count += e.path().filename().string()[0] == '.';
  EXPECT_EQ(count, 0) << "no temporary file is left behind";
}

TEST(PlatformFilesTest, ReadingOpensOnlyRegularFilesAndNeverWaits) {
  fs::path d = vantrel::test::MakeTempDir("regular");
  Touch(d / "plain.bin");
  fs::create_directories(d / "folder");
  ASSERT_EQ(::mkfifo((d / "pipe").c_str(), 0644), 0);
  fs::create_symlink(d / "plain.bin", d / "link");
  fs::create_symlink("/dev/null", d / "device");
  // A writer is kept on the pipe, so an open that waited for one returns
  // here instead of hanging the test.
  const int reader = ::open((d / "pipe").c_str(), O_RDONLY | O_NONBLOCK);
  const int writer = ::open((d / "pipe").c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_GE(writer, 0);
  struct Case {
    const char* name;
    bool opens;
  } cases[] = {{"plain.bin", true}, {"link", true},    {"folder", false},
               {"pipe", false},     {"device", false}, {"missing", false}};
  for (const Case& c : cases) {
    for (const char* mode : {"rb", "r"}) {
      FILE* f = plat::OpenFile(d / c.name, mode);
      EXPECT_EQ(f != nullptr, c.opens) << c.name << " " << mode;
      if (f && c.opens) {
        EXPECT_EQ(std::fgetc(f), 'x') << "the stream reads, blocking as usual";
      }
      if (f) std::fclose(f);
    }
  }
  ::close(writer);
  ::close(reader);
  // Writing modes are left as they are.
  FILE* out = plat::OpenFile(d / "new.bin", "wb");
  ASSERT_NE(out, nullptr);
  std::fclose(out);
}

TEST(PlatformFilesTest, PathsOpenAsTheyStandAndStoredTextReadsBackslashes) {
  fs::path d = vantrel::test::MakeTempDir("asis");
  std::ofstream((d / "a\\b.txt").string()) << "literal";
  fs::create_directories(d / "a");
  std::ofstream((d / "a" / "b.txt").string()) << "nested";
  auto first = [](FILE* f) {
    if (!f) return 0;
    const int c = std::fgetc(f);
    std::fclose(f);
    return c;
  };
  EXPECT_EQ(first(plat::OpenFile(d / "a\\b.txt", "rb")), 'l');
  EXPECT_EQ(first(plat::OpenFile((d / "a\\b.txt").string(), "rb")), 'n');
}

TEST(PlatformFilesTest, StaysInsideRefusesRootsAndParents) {
  struct Case {
    const char* path;
    bool inside;
  } cases[] = {{"x.img", true}, {"Sub/x.img", true}, {"./x.img", true},     {"a..b", true},
               {"", false},     {"..", false},       {"../x.img", false},   {"a/../b", false},
               {"a/..", false}, {"/etc/x", false},   {"Sub/../../x", false}};
  for (const Case& c : cases) EXPECT_EQ(plat::StaysInside(c.path), c.inside) << c.path;
}

TEST(PlatformFilesTest, AnInjectedListingFailureActsLikeAnUnreadableFolder) {
  fs::path d = vantrel::test::MakeTempDir("inject");
  Touch(d / "Closed" / "a.txt");
  plat::SetListFolderFailure([](const fs::path& folder) { return folder.filename() == "Closed"; });
  std::vector<plat::FolderEntry> out;
  std::string error;
  EXPECT_TRUE(plat::ListFolder(d, out));
  EXPECT_FALSE(plat::ListFolder(d / "Closed", out, &error));
  EXPECT_TRUE(out.empty());
  EXPECT_NE(error.find("Closed"), std::string::npos) << error;
  plat::SetListFolderFailure(nullptr);
  EXPECT_TRUE(plat::ListFolder(d / "Closed", out));
  EXPECT_EQ(out.size(), 1u);
}

TEST(PlatformFilesTest, MakeDirectoryResults) {
  fs::path d = vantrel::test::MakeTempDir("mkdir");
  EXPECT_EQ(plat::MakeDirectory((d / "a").string()), plat::MakeDirResult::Created);
  EXPECT_EQ(plat::MakeDirectory((d / "a").string()), plat::MakeDirResult::AlreadyExists);
  EXPECT_EQ(plat::MakeDirectory((d / "x" / "y").string()), plat::MakeDirResult::PathNotFound);
  EXPECT_TRUE(plat::MakeDirs(d / "x" / "y" / "z"));
  EXPECT_TRUE(fs::is_directory(d / "x" / "y" / "z"));
  EXPECT_FALSE(plat::MakeDirs(fs::path()));
}

TEST(PlatformFilesTest, KnownFoldersFollowTheXdgRules) {
  const fs::path& home = vantrel::test::TempHome();
  EXPECT_EQ(plat::GetKnownFolder(plat::KnownFolder::SavedGames, false), fs::path(std::getenv("XDG_DATA_HOME")));
  EXPECT_EQ(plat::GetKnownFolder(plat::KnownFolder::Documents, false), home / "Documents");
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(plat::GetKnownFolder(plat::KnownFolder::SavedGames, false), fs::path(home.string() + "/.local/share"));

  std::ofstream(std::string(std::getenv("XDG_CONFIG_HOME")) + "/user-dirs.dirs")
      << "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n  XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
  fs::path docs = plat::GetKnownFolder(plat::KnownFolder::Documents, true);
  EXPECT_EQ(docs, fs::path(home.string() + "/Dokumente"));
  EXPECT_TRUE(fs::is_directory(docs));
  std::string blocked = (home / "plainfile" / "docs").string();
  std::ofstream((home / "plainfile").string()) << "x";
  std::ofstream(std::string(std::getenv("XDG_CONFIG_HOME")) + "/user-dirs.dirs")
      << "XDG_DOCUMENTS_DIR=\"" << blocked << "\"\n";
  EXPECT_EQ(plat::GetKnownFolder(plat::KnownFolder::Documents, false), fs::path(blocked));
  EXPECT_TRUE(plat::GetKnownFolder(plat::KnownFolder::Documents, true).empty()) << "cannot be made";
  std::ofstream(std::string(std::getenv("XDG_CONFIG_HOME")) + "/user-dirs.dirs") << "XDG_DOCUMENTS_DIR=relative\n";
  EXPECT_EQ(plat::GetKnownFolder(plat::KnownFolder::Documents, false), home / "Documents");
}

TEST(PlatformFilesTest, ExecutableNames) {
  EXPECT_EQ(plat::ExecutableName("Tools/Sheetwright.exe"), "Tools/Sheetwright");
  EXPECT_EQ(plat::ExecutableName("Tools\\VantrelWorkshop.EXE"), "Tools/VantrelWorkshop");
  EXPECT_EQ(plat::ExecutableName("plain"), "plain");
  EXPECT_EQ(plat::ExecutableName(".exe"), ".exe");
}

TEST(PlatformFilesTest, WholeFileReadsTellMissingFromUnreadableFromTooLarge) {
  const fs::path dir = vantrel::test::MakeTempDir("read-whole");
  std::ofstream(dir / "five.txt", std::ios::binary) << "12345";
  std::ofstream(dir / "empty.txt", std::ios::binary);
  fs::create_directories(dir / "folder");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);  // no writer: an open for reading would wait
  fs::create_symlink(dir / "five.txt", dir / "link");
  using R = plat::ReadFileResult;
  struct Case {
    const char* name;
    size_t limit;
    R result;
    const char* bytes;
    int error;
  } cases[] = {
      {"five.txt", 5, R::kRead, "12345", 0},     {"link", 5, R::kRead, "12345", 0},
      {"empty.txt", 0, R::kRead, "", 0},         {"five.txt", 4, R::kTooLarge, "", EFBIG},
      {"none.txt", 5, R::kMissing, "", ENOENT},  {"five.txt/below", 5, R::kMissing, "", ENOTDIR},
      {"folder", 5, R::kCannotRead, "", EISDIR}, {"pipe", 5, R::kCannotRead, "", EINVAL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out = "left over";
    int error = -1;
    EXPECT_EQ(plat::ReadWholeFile(dir / c.name, out, c.limit, &error), c.result);
    EXPECT_EQ(out, c.bytes);
    EXPECT_EQ(error, c.error);
  }
  {
    // Refused as the system refuses a file the user may not read; a missing
    // file is still missing.
    vantrel::test::ReadRefusedScope refused("five", EACCES);
    std::string out;
    int error = 0;
    EXPECT_EQ(plat::ReadWholeFile(dir / "five.txt", out, 5, &error), R::kCannotRead);
    EXPECT_EQ(error, EACCES);
    EXPECT_EQ(plat::ReadWholeFile(dir / "fives.txt", out, 5, &error), R::kMissing);
    EXPECT_EQ(plat::ReadWholeFile(dir / "empty.txt", out, 5, &error), R::kRead);
  }
  std::string out;
  EXPECT_EQ(plat::ReadWholeFile(dir / "five.txt", out, 5), R::kRead);
}

TEST(PlatformFilesTest, KeptCopiesNeverReplaceAnEarlierOne) {
  const fs::path dir = vantrel::test::MakeTempDir("keep-aside");
  const fs::path file = dir / "stats.txt";
  auto read = [](const fs::path& p) {
    std::ifstream in(p.string(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  };
  // A folder in the way of a name is skipped like a file.
  fs::create_directories(dir / "stats.txt.damaged.2");
  const char* const expect[] = {"stats.txt.damaged", "stats.txt.damaged.1", "stats.txt.damaged.3"};
  for (int i = 0; i < 3; ++i) {
    std::ofstream(file.string(), std::ios::binary) << "copy " << i;
    int error = -1;
    EXPECT_EQ(plat::KeepAside(file, ".damaged", &error), dir / expect[i]);
    EXPECT_EQ(error, 0);
    EXPECT_FALSE(fs::exists(file));
  }
  for (int i = 0; i < 3; ++i) EXPECT_EQ(read(dir / expect[i]), "copy " + std::to_string(i));
  int error = 0;
  EXPECT_TRUE(plat::KeepAside(file, ".damaged", &error).empty());
  EXPECT_EQ(error, ENOENT);
}

}  // namespace
