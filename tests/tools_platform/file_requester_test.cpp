// FileRequester against the in-memory file dialogs.
#include "imagetool/file_requester.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>
#include <fstream>
#include <string>

#include "platform/file_dialog.h"
#include "platform/headless/headless_file_dialog.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;
using plat::headless::HeadlessFileDialogs;

namespace {

void Touch(const fs::path& p) { std::ofstream(p.string()) << "x"; }

std::string FilterText(const FileRequester& r) { return std::string(r.filter, r.filter + r.total + 1); }

}  // namespace

TEST(FileRequester, NewRequesterOffersAllFilesFirst) {
  FileRequester r;
  EXPECT_EQ(FilterText(r), std::string("All Files (*.*)\0*.*\0\0", 21));
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(r.ofn.filterIndex, 1);
  EXPECT_EQ(r.flags, 0x8080Cu);
  ASSERT_EQ(r.filters.size(), 1u);
  EXPECT_EQ(r.filters[0].second, "*.*");
  EXPECT_TRUE(r.GetPath().empty());
  EXPECT_TRUE(r.defaultExtension.empty());
}

TEST(FileRequester, AddFilterPreselectsTheLastAndRefusesOverflow) {
  HeadlessFileDialogs dialogs;
  FileRequester r;
  EXPECT_TRUE(r.AddFilter("Images", "*.bmp;*.jpg;*.png"));
  EXPECT_EQ(FilterText(r), std::string("All Files (*.*)\0*.*\0Images\0*.bmp;*.jpg;*.png\0\0", 46));
  EXPECT_EQ(r.ofn.filterIndex, 2);
  dialogs.QueueCancel();
  dialogs.QueueCancel();
  EXPECT_FALSE(r.Open(nullptr, "Replace an Image"));
  EXPECT_TRUE(r.OpenMany(nullptr, "Add an Image").empty());
  ASSERT_EQ(dialogs.Requests().size(), 2u);
  for (const plat::FileDialogRequest& q : dialogs.Requests()) {
    ASSERT_EQ(q.filters.size(), 2u);
    EXPECT_EQ(q.filters[1].name, "Images");
    EXPECT_EQ(q.filters[1].pattern, "*.bmp;*.jpg;*.png");
    EXPECT_EQ(q.filterIndex, 2);
  }
  EXPECT_EQ(dialogs.Requests()[0].title, "Replace an Image");
  EXPECT_EQ(dialogs.Requests()[0].kind, plat::FileDialogKind::kOpen);
  EXPECT_TRUE(dialogs.Requests()[0].fileMustExist);
  EXPECT_EQ(dialogs.Requests()[1].kind, plat::FileDialogKind::kOpenMany);

  // The filter text holds 1000 characters with its closing NUL: a pair that
  // fits exactly is taken, one character more is refused with nothing changed.
  FileRequester full;
  const int32_t room = kFilterChars - full.total - 1;  // both texts and their NULs
  const std::string name(static_cast<size_t>(room - 2 - 3), 'n');
  EXPECT_FALSE(full.AddFilter(name + "x", "*.x"));
  EXPECT_EQ(full.count, 1);
  EXPECT_EQ(full.filters.size(), 1u);
  EXPECT_TRUE(full.AddFilter(name, "*.x"));
  EXPECT_EQ(full.total, kFilterChars - 1);
  EXPECT_EQ(full.filter[kFilterChars - 1], '\0');
  EXPECT_FALSE(full.AddFilter("", ""));
}

TEST(FileRequester, OpenTakesThePathAndTheDefaultExtension) {
  HeadlessFileDialogs dialogs;
  const fs::path dir = vantrel::test::MakeTempDir("open");
  Touch(dir / "level.bdz");
  FileRequester r;
  r.AddFilter("Board Sets (*.bdz)", "*.bdz");
  r.SetDefaultExtension("bdz");
  // A missing file is refused by the dialog; the user then picks one typed
  // without its extension.
  dialogs.QueueChoose(dir / "missing.bdz");
  dialogs.QueueChoose(dir / "level");
  ASSERT_TRUE(r.Open(nullptr, "Load Board Set"));
  EXPECT_EQ(r.GetPath(), dir / "level.bdz");
  EXPECT_EQ(r.fileTitle, fs::path("level.bdz"));
  EXPECT_EQ(dialogs.RefusedCount(), 1);
  ASSERT_EQ(dialogs.Requests().size(), 1u);
  EXPECT_EQ(dialogs.Requests()[0].defaultExtension, "bdz");
  EXPECT_EQ(r.ofn.flags, 0x8080Cu | kOfnFileMustExist);

  // Cancel leaves the last path.
  dialogs.QueueCancel();
  EXPECT_FALSE(r.Open(nullptr, "Load Board Set"));
  EXPECT_EQ(r.GetPath(), dir / "level.bdz");
  // The next dialog starts from the last path.
  EXPECT_EQ(dialogs.Requests()[1].initialName, dir / "level.bdz");
}

TEST(FileRequester, OpenManyKeepsTheOrderAndTheFilterInUse) {
  HeadlessFileDialogs dialogs;
  const fs::path dir = vantrel::test::MakeTempDir("many");
  for (const char* n : {"b.png", "a.bmp", "c.jpg"}) Touch(dir / n);
  FileRequester r;
  r.AddFilter("Images", "*.bmp;*.jpg;*.png");
  dialogs.QueueChooseMany({dir / "b.png", dir / "a.bmp", dir / "c.jpg"});
  const std::vector<fs::path> got = r.OpenMany(nullptr, "Add an Image");
  EXPECT_EQ(got, (std::vector<fs::path>{dir / "b.png", dir / "a.bmp", dir / "c.jpg"}));
  // OpenMany leaves the requester's own path alone.
  EXPECT_TRUE(r.GetPath().empty());
}

TEST(FileRequester, SaveAsksBeforeOverwriting) {
  HeadlessFileDialogs dialogs;
  const fs::path dir = vantrel::test::MakeTempDir("save");
  Touch(dir / "old.bdz");
  FileRequester r;
  r.AddFilter("Board Sets (*.bdz)", "*.bdz");
  r.SetDefaultExtension("bdz");
  // "No" to overwriting old.bdz (typed as "old") returns to the dialog,
  // where the user cancels.
  dialogs.QueueChoose(dir / "old", 0, false);
  dialogs.QueueCancel();
  EXPECT_FALSE(r.Save(nullptr, "Save Board Set", true));
  ASSERT_EQ(dialogs.OverwriteQuestions().size(), 1u);
  EXPECT_EQ(dialogs.OverwriteQuestions()[0], dir / "old.bdz");
  EXPECT_TRUE(r.GetPath().empty());
  EXPECT_TRUE(r.ofn.flags & kOfnOverwritePrompt);

  // "Yes" takes it; a new name asks nothing.
  dialogs.QueueChoose(dir / "old.bdz", 0, true);
  ASSERT_TRUE(r.Save(nullptr, "Save Board Set", true));
  EXPECT_EQ(r.GetPath(), dir / "old.bdz");
  dialogs.QueueChoose(dir / "new.bdz", 0, false);
  ASSERT_TRUE(r.Save(nullptr, "Save Board Set", true));
  EXPECT_EQ(r.GetPath(), dir / "new.bdz");
  EXPECT_EQ(dialogs.OverwriteQuestions().size(), 2u);

  // Without the prompt nothing is asked.
  dialogs.QueueChoose(dir / "old.bdz", 0, false);
  ASSERT_TRUE(r.Save(nullptr, "Save Board Set", false));
  EXPECT_FALSE(r.ofn.flags & kOfnOverwritePrompt);
  EXPECT_EQ(dialogs.OverwriteQuestions().size(), 2u);
  EXPECT_EQ(dialogs.Requests().back().kind, plat::FileDialogKind::kSave);
  EXPECT_FALSE(dialogs.Requests().back().fileMustExist);
}

TEST(FileRequester, SaveOnTheRecordWithASuggestedNameAndFilter) {
  HeadlessFileDialogs dialogs;
  const fs::path dir = vantrel::test::MakeTempDir("record");
  FileRequester r;
  r.AddFilter("PNG (*.png)", "*.png");
  r.SetDefaultExtension("png");
  r.file = "image3.png";
  r.ofn.title = "Save Image";
  r.ofn.flags = r.flags;
  r.ofn.defaultExtension = r.defaultExtension;
  dialogs.QueueChoose(dir / "shot", 1);
  ASSERT_TRUE(ShowSaveDialog(&r.ofn));
  EXPECT_EQ(dialogs.Requests()[0].initialName, fs::path("image3.png"));
  EXPECT_EQ(dialogs.Requests()[0].title, "Save Image");
  EXPECT_EQ(r.GetPath(), dir / "shot.png");
  // The filter the user ended on is kept in the record.
  EXPECT_EQ(r.ofn.filterIndex, 1);
}

TEST(FileRequester, PickFolder) {
  HeadlessFileDialogs dialogs;
  const fs::path dir = vantrel::test::MakeTempDir("folder");
  FileRequester r;
  r.file = "keep.txt";
  dialogs.QueueCancel();
  EXPECT_FALSE(r.PickFolder(nullptr, "Select Workshop Item Folder"));
  EXPECT_EQ(r.GetPath(), fs::path("keep.txt"));
  dialogs.QueueChoose(dir);
  ASSERT_TRUE(r.PickFolder(nullptr, "Select Workshop Item Folder"));
  EXPECT_EQ(r.GetPath(), dir);
  EXPECT_EQ(dialogs.Requests()[1].kind, plat::FileDialogKind::kPickFolder);
  EXPECT_EQ(dialogs.Requests()[1].title, "Select Workshop Item Folder");

  // 259 characters fit; 260 do not, and the last path stays.
  fs::path deep = dir;
  while (deep.string().size() < 300) deep /= std::string(40, 'd');
  fs::create_directories(deep);
  const std::string s = deep.string();
  const fs::path fits = s.substr(0, 259);
  const fs::path tooLong = s.substr(0, 260);
  fs::create_directories(fits);
  fs::create_directories(tooLong);
  dialogs.QueueChoose(tooLong);
  EXPECT_FALSE(r.PickFolder(nullptr));
  EXPECT_EQ(r.GetPath(), dir);
  dialogs.QueueChoose(fits);
  EXPECT_TRUE(r.PickFolder(nullptr));
  EXPECT_EQ(r.GetPath(), fits);
}

TEST(FileRequester, OpenRefusesAPathThatDoesNotFit) {
  HeadlessFileDialogs dialogs;
  fs::path deep = vantrel::test::MakeTempDir("long");
  while (deep.string().size() < 280) deep /= std::string(40, 'e');
  fs::create_directories(deep);
  Touch(deep / "f.png");
  FileRequester r;
  r.file = "before.png";
  dialogs.QueueChoose(deep / "f.png");
  EXPECT_FALSE(r.Open(nullptr, "Open"));
  EXPECT_EQ(r.GetPath(), fs::path("before.png"));
}

TEST(FileRequester, NoBackendCancels) {
  FileRequester r;
  EXPECT_FALSE(r.Open(nullptr, "t"));
  EXPECT_FALSE(r.Save(nullptr, "t", true));
  EXPECT_FALSE(r.PickFolder(nullptr));
  EXPECT_TRUE(r.OpenMany(nullptr, "t").empty());
}

TEST(FileNameMatches, WindowsPatterns) {
  struct Case {
    const char* name;
    const char* patterns;
    bool match;
  } cases[] = {
      {"README", "*.*", true},       {"a.PNG", "*.bmp;*.jpg;*.png", true},
      {"a.png.txt", "*.png", false}, {"x.jpg", " *.bmp ; *.jpg", true},
      {"set.img", "*.bdz", false},   {"a1.bmp", "a?.bmp", true},
      {"a.bmp", "", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(plat::FileNameMatches(c.name, c.patterns), c.match) << c.name << " " << c.patterns;
}
