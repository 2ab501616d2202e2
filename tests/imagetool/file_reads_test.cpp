// The files Sheetwright and the editor read. Each one, planted as an odd
// file (a named pipe, a link to /dev/zero, a huge sparse file, a folder),
// must be refused at once as a file that cannot be read (never waiting on
// the pipe, never taking the device or the hole into memory), with the
// message the program shows for such a file, and none may be written over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <boost/filesystem.hpp>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "editor/editor.h"
#include "imagetool/imagetool.h"
#include "platform/headless/headless_dialog.h"
#include "platform/headless/headless_file_dialog.h"
#include "platform/headless/headless_window.h"
#include "platform/settings.h"
#include "support/odd_files.h"
#include "support/test_support.h"
#include "imagetool_fixture.h"

namespace {

namespace fs = boost::filesystem;
using vantrel::test::OddFile;
using vantrel::test::OddFileCase;
using vantrel::test::OddFileCases;

const fs::path kPack = VANTREL_TEST_PACK_DIR;

// The opens that an odd file is driven through.
enum class Open {
  kSetFromCommandLine,
  kFontFromCommandLine,
  kSetFromRequester,
  kFontFromRequester,
  kAppendFromRequester,
  kEditorDirsConfig,
  kEditorSystemFont,
  kToolSettings,
};

struct OpenCase {
  const char* name;
  Open open;
};

const OpenCase kOpens[] = {
    {"set on the command line", Open::kSetFromCommandLine},
    {"font on the command line", Open::kFontFromCommandLine},
    {"set from the requester", Open::kSetFromRequester},
    {"font from the requester", Open::kFontFromRequester},
    {"set appended from the requester", Open::kAppendFromRequester},
    {"editor dirs.cfg", Open::kEditorDirsConfig},
    {"editor system font", Open::kEditorSystemFont},
    {"Sheetwright settings", Open::kToolSettings},
};

void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }

// A one-entry set named "kept", the list the requester opens start from.
std::vector<uint8_t> KeptSet() {
  imagetool_test::Bytes f;
  f.Str("IMST").Int(2).Int(1).Name("kept").Int(1).Int(1).Int(0).Int(0).Int(static_cast<int32_t>(0xFF102030u));
  return f.b;
}

class OddFileReads : public ::testing::TestWithParam<std::tuple<OpenCase, OddFileCase>> {
 protected:
  void SetUp() override {
    dir_ = vantrel::test::MakeTempDir("odd-reads");
    fs::current_path(dir_);
  }
  void TearDown() override {
    // The settings file is shared by every test of the program: take the
    // odd one away once its guards are gone.
    boost::system::error_code ec;
    if (!planted_.empty()) fs::remove_all(planted_, ec);
  }

  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> out;
    for (const auto& box : windows_.MessageBoxes()) out.push_back(box.caption + ": " + box.text);
    return out;
  }

  // Runs the tool as its main() does, with the command-line arguments;
  // `look` sees the dialog before it is closed.
  void RunTool(const std::vector<std::string>& args, const std::function<void(ImageTool&)>& look) {
    ImageTool tool;
    tool.ParseCommandLine(args);
    bool shown = false;
    dialogs_.AddStep([&] {
      plat::headless::HeadlessDialog* d = dialogs_.ActiveModal();
      ASSERT_NE(d, nullptr);
      shown = true;
      look(tool);
      d->MoveOuter(300, 200, 400, 300, false);
      d->UserClose();
    });
    EXPECT_EQ(tool.Run(), 0);
    EXPECT_TRUE(shown);
  }

  // Opens the odd file through the main dialog's Load Set or Append Set,
  // over a list that already holds one entry, which must stay.
  void OpenFromRequester(bool fontMode, bool append, const fs::path& odd) {
    imagetool_test::WriteBytes(dir_ / "kept.img", KeptSet());
    ImageTool tool(fontMode);
    tool.title = "Sheetwright";
    ASSERT_NE(tool.CreatePreviewWindow(), nullptr);
    auto* dlg = static_cast<plat::headless::HeadlessDialog*>(dialogs_.CreateModeless(tool.MainDialogDesc(), nullptr));
    ASSERT_NE(dlg, nullptr);
    auto pump = [&] {
      for (int guard = 0; guard < 100; ++guard)
        if (dialogs_.DispatchAll() + windows_.DispatchAll() == 0) return;
    };
    pump();
    ASSERT_TRUE(tool.LoadImageSetEntries(dir_ / "kept.img", false));
    pump();
    files_.QueueChoose(odd);
    ASSERT_TRUE(dlg->Click(append ? kIdAppendSet : kIdLoadSet));
    pump();
    EXPECT_EQ(files_.AnswersLeft(), 0u);
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{"Error: Error opening file: " + odd.string(), "Error: Can't open file."}));
    ASSERT_EQ(tool.entries.size(), 1u);
    EXPECT_STREQ(tool.entries[0]->name.Text(), "kept");
    EXPECT_EQ(dlg->Control(kIdEntryList)->items, std::vector<std::string>{"0 kept"});
  }

  void StartEditor(const std::function<void()>& check) {
    editor::EditorState& ed = editor::TheEditor();
    const size_t foldersBefore = ed.dataFiles.searchDirs.size();
    ASSERT_TRUE(editor::StartEditor({}));
    EXPECT_NE(dialogs_.Last(), nullptr);
    EXPECT_EQ(ed.dataFiles.searchDirs.size(), foldersBefore);
    check();
  }

  fs::path dir_;
  fs::path planted_;
  plat::headless::HeadlessWindowSystem windows_{1920, 1080};
  plat::headless::HeadlessDialogSystem dialogs_;
  plat::headless::HeadlessFileDialogs files_;
};

TEST_P(OddFileReads, IsRefusedAtOnceAndLeftAsItWas) {
  const auto& [open, kind] = GetParam();
  fs::path where;
  switch (open.open) {
    case Open::kEditorDirsConfig: where = dir_ / "dirs.cfg"; break;
    case Open::kEditorSystemFont: where = dir_ / "Fonts" / "SysFont.img"; break;
    case Open::kToolSettings: where = plat::SettingsStore::FilePath("Software\\Quillmark\\Sheetwright", false); break;
    default: where = dir_ / "odd.img"; break;
  }
  planted_ = where;
  {
    OddFile odd(kind.kind, where);
    const std::string cannotOpen = "Error: Error opening file: " + where.string();
    switch (open.open) {
      case Open::kSetFromCommandLine:
      case Open::kFontFromCommandLine: {
        std::vector<std::string> args{where.string()};
        if (open.open == Open::kFontFromCommandLine) args.insert(args.begin(), "-font");
        size_t lines = 99;
        RunTool(args, [&](ImageTool& tool) { lines = tool.entries.size(); });
        EXPECT_EQ(lines, 0u);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{cannotOpen});
        break;
      }
      case Open::kSetFromRequester: OpenFromRequester(false, false, where); break;
      case Open::kFontFromRequester: OpenFromRequester(true, false, where); break;
      case Open::kAppendFromRequester: OpenFromRequester(false, true, where); break;
      case Open::kEditorDirsConfig: StartEditor([] {}); break;
      case Open::kEditorSystemFont: StartEditor([] { EXPECT_FALSE(editor::TheEditor().fontLoaded); }); break;
      case Open::kToolSettings: {
        // The dialog restores its placement on opening (no settings: it
        // stays where it is) and saves it on closing, which must not
        // replace the file with a new one that holds only the placement.
        RunTool({}, [](ImageTool&) {});
        EXPECT_TRUE(BoxTexts().empty());
        RegistrySettings settings("Quillmark", "Sheetwright", 0);
        int32_t x = -1;
        EXPECT_FALSE(settings.ReadInt("MainDlgWndX", &x));
        EXPECT_EQ(x, -1);
        EXPECT_FALSE(settings.WriteInt("MainDlgWndX", 5));
        break;
      }
    }
    EXPECT_EQ(odd.PipeOpens(), 0);
    EXPECT_TRUE(odd.Intact());
  }
}

INSTANTIATE_TEST_SUITE_P(EveryOpen, OddFileReads,
                         ::testing::Combine(::testing::ValuesIn(kOpens), ::testing::ValuesIn(OddFileCases())),
                         [](const auto& info) {
                           std::string name = std::string(std::get<0>(info.param).name) + "_" +
                                              std::get<1>(info.param).name;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// The bound on a set's size leaves a wide margin over every set the data
// pack holds, and each of them opens in the tool.
TEST(ToolSetBound, EverySetOfTheDataPackOpensFarBelowIt) {
  plat::headless::HeadlessWindowSystem windows;
  plat::headless::HeadlessDialogSystem dialogs;
  uintmax_t largest = 0;
  int sets = 0;
  for (fs::recursive_directory_iterator it(kPack), end; it != end; ++it) {
    if (it->path().extension() != ".img" || !fs::is_regular_file(it->path())) continue;
    ++sets;
    largest = std::max(largest, fs::file_size(it->path()));
    ImageTool tool;
    EXPECT_TRUE(tool.LoadImageSetEntries(it->path(), false)) << it->path();
    EXPECT_FALSE(tool.entries.empty()) << it->path();
  }
  EXPECT_GT(sets, 10);
  EXPECT_TRUE(windows.MessageBoxes().empty());
  EXPECT_LE(largest * 16, kMaxSetFileBytes) << "largest set of the pack: " << largest << " bytes";
}

}  // namespace
