// The board-set editor driven through the in-memory window, dialog and file
// dialog back ends: start-up, painting with the mouse, the view, and the
// dialog's commands.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include <boost/filesystem.hpp>

#include "editor/editor.h"
#include "graphics/display.h"
#include "platform/headless/headless_dialog.h"
#include "platform/headless/headless_file_dialog.h"
#include "platform/headless/headless_window.h"
#include "platform/shell.h"
#include "tests/support/test_support.h"

namespace fs = boost::filesystem;
using namespace editor;

namespace {

const fs::path kPack = VANTREL_TEST_PACK_DIR;

// 5-5-5 channel widened back to 8 bits, as presents show it.
uint32_t Shown(uint8_t r, uint8_t g, uint8_t b) {
  auto w = [](uint8_t c) { return static_cast<uint32_t>(((c >> 3) << 3) | ((c >> 3) >> 2)); };
  return 0xFF000000u | w(r) << 16 | w(g) << 8 | w(b);
}

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = vantrel::test::MakeTempDir("editor");
    fs::create_directories(dir_ / "Fonts");
    fs::copy_file(kPack / "Fonts" / "SysFont.img", dir_ / "Fonts" / "SysFont.img");
    fs::create_directories(dir_ / "Boards");
    for (const char* name : {"Bricks.img", "Backgrounds.img", "Starter.bdz", "StarterWide.bdz"})
      fs::copy_file(kPack / "Boards" / name, dir_ / "Boards" / name);
    fs::current_path(dir_);
  }

  void Start(const std::vector<std::string>& args = {}) {
    ASSERT_TRUE(StartEditor(args));
    window_ = windows_.MainWindow();
    dialog_ = dialogs_.Last();
    ASSERT_NE(dialog_, nullptr);
    Pump();
  }

  // Delivers everything waiting on both queues, paints included.
  void Pump() {
    for (int i = 0; i < 20; ++i) {
      const int n = dialogs_.DispatchAll() + windows_.DispatchAll();
      if (n == 0 && dialogs_.QueueLength() == 0) break;
    }
  }

  void Mouse(uint32_t message, int32_t x, int32_t y, uint32_t buttons) {
    windows_.PostMessage(window_, message, buttons, plat::MakeLParam(x, y));
    Pump();
  }

  void OpenStarter(const char* name = "Starter.bdz") {
    files_.QueueChoose(dir_ / "Boards" / name);
    dialog_->Click(kIdOpen);
    Pump();
  }

  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : windows_.MessageBoxes()) texts.push_back(box.caption + ": " + box.text);
    return texts;
  }

  fs::path dir_;
  plat::headless::HeadlessWindowSystem windows_{1920, 1080};
  plat::headless::HeadlessDialogSystem dialogs_;
  plat::headless::HeadlessFileDialogs files_;
  plat::RecordingShell shell_;
  plat::headless::HeadlessWindow* window_ = nullptr;
  plat::headless::HeadlessDialog* dialog_ = nullptr;
};

TEST(EditorArguments, PasswordIsTheArgumentAfterPwd) {
  struct Case {
    std::vector<std::string> args;
    std::string password;
  } cases[] = {
      {{}, ""},
      {{"-pwd", "secret"}, "secret"},
      {{"x.bdz", "-pwd", "with blanks inside", "more"}, "with blanks inside"},
      {{"-pwd"}, ""},
      {{"-PWD", "nope"}, ""},
      {{"-pwd", "first", "-pwd"}, "first"},
      {{"-pwd", "-pwd", "x"}, "x"},
      {{"-pwd", "a", "-pwd", "b"}, "b"},
  };
  for (const Case& c : cases) EXPECT_EQ(PasswordFromArguments(c.args), c.password);
}

TEST(EditorPaths, HasExtensionLooksAtTheFileNameOnly) {
  EXPECT_TRUE(HasExtension("a/b/set.bdz"));
  EXPECT_TRUE(HasExtension("set.txt"));
  EXPECT_FALSE(HasExtension("set"));
  EXPECT_FALSE(HasExtension("folder.d/set"));
}

TEST(EditorAppend, FillsUpTo128BoardsAndDropsTheRest) {
  BoardSet set, loaded;
  set.boardCount = 120;
  for (int i = 0; i < 120; ++i) set.boards[i].cells[0] = 1000 + i;
  loaded.boardCount = 20;
  for (int i = 0; i < 20; ++i) loaded.boards[i].cells[0] = 2000 + i;
  set.title = "kept";
  AppendBoards(set, loaded);
  EXPECT_EQ(set.boardCount, 128);
  for (int i = 0; i < 120; ++i) ASSERT_EQ(set.boards[i].cells[0], 1000 + i);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(set.boards[120 + i].cells[0], 2000 + i);
  EXPECT_EQ(set.boards[BoardSet::kSpareBoard].cells[0], 0);
  EXPECT_EQ(set.title, "kept");
}

TEST(EditorStart, WithoutAWindowTheProgramEndsWithZero) {
  ASSERT_EQ(plat::GetWindowSystem(), nullptr);
  plat::headless::HeadlessDialogSystem dialogs;
  EXPECT_EQ(RunEditor({}), 0);
  EXPECT_TRUE(dialogs.Dialogs().empty());
}

TEST(EditorDrawing, FillSurfaceRectStaysInsideTheBuffer) {
  // A 6 x 4 buffer of 16-bit pixels inside a guard of 0xEE bytes.
  constexpr int32_t kW = 6, kH = 4, kPitch = 16;
  std::vector<uint8_t> memory(kPitch * (kH + 2), 0xEE);
  SurfaceLock lock;
  lock.bytesPerPixel = 2;
  lock.width = kW;
  lock.height = kH;
  lock.pitch = kPitch;
  lock.bits = memory.data() + kPitch;
  TheDisplay().format.SetForDepth(16);
  plat::WindowRect out;
  FillSurfaceRect(lock, -3, -2, 5, 4, 255, 0, 0, &out);
  EXPECT_EQ(out.left, -3);
  EXPECT_EQ(out.bottom, 2);
  FillSurfaceRect(lock, 4, 3, 100, 100, 0, 0, 255);
  FillSurfaceRect(lock, 7, 0, 2, 2, 0, 255, 0);  // wholly outside
  auto pixel = [&](int x, int y) {
    uint16_t v;
    std::memcpy(&v, lock.bits + y * kPitch + x * 2, 2);
    return v;
  };
  EXPECT_EQ(pixel(0, 0), 0x7C00);
  EXPECT_EQ(pixel(1, 1), 0x7C00);
  EXPECT_EQ(pixel(2, 0), 0xEEEE);
  EXPECT_EQ(pixel(0, 2), 0xEEEE);
  EXPECT_EQ(pixel(5, 3), 0x001F);
  for (int i = 0; i < kPitch; ++i) {
    EXPECT_EQ(memory[i], 0xEE);
    EXPECT_EQ(memory[kPitch * (kH + 1) + i], 0xEE);
  }
  for (int y = 0; y < kH; ++y)
    for (int x = kW * 2; x < kPitch; ++x) EXPECT_EQ(lock.bits[y * kPitch + x], 0xEE);
}

TEST_F(EditorTest, DirsConfigAddsSearchFolders) {
  {
    std::ofstream out((dir_ / "dirs.cfg").string(), std::ios::binary);
    out << "/data/one\r\n\r\nrelative/two\n/data/three";
  }
  Start();
  const auto& dirs = TheEditor().dataFiles.searchDirs;
  ASSERT_EQ(dirs.size(), 4u);
  EXPECT_EQ(dirs[1], fs::path("/data/one"));
  EXPECT_EQ(dirs[2], fs::path("relative/two"));
  EXPECT_EQ(dirs[3], fs::path("/data/three"));
}

TEST_F(EditorTest, StartsWithWindowDialogAndGrid) {
  Start();
  EXPECT_EQ(window_->Title(), "Vantrel Editor");
  EXPECT_EQ(window_->IconId(), kMainIconId);
  EXPECT_EQ(window_->ClientRect().right, 1280);
  EXPECT_EQ(window_->ClientRect().bottom, 720);
  EXPECT_TRUE(dialog_->Shown());
  EXPECT_EQ(dialog_->Owner(), window_);
  EXPECT_TRUE(dialog_->IsMenuItemChecked(kMenuShowGrid));
  EXPECT_EQ(dialog_->GetText(kIdBoardCount), "1");
  EXPECT_EQ(dialog_->GetText(kIdBoardNumber), "1");
  EXPECT_EQ(dialog_->GetText(kIdBrickSet), " (File Not Found)");
  EXPECT_FALSE(dialog_->IsChecked(kIdWidescreen));
  EXPECT_TRUE(TheEditor().fontLoaded);
  EXPECT_EQ(TheEditor().startFolder, fs::current_path());
  EXPECT_GT(window_->PresentCount(), 0);
}

TEST_F(EditorTest, SavedPlacementIsAppliedAfterTheDisplayCentresTheWindow) {
  {
    RegistrySettings settings("Quillmark", "Vantrel", 0);
    settings.WriteInt("MainWndX", 40);
    settings.WriteInt("MainWndY", 50);
    settings.WriteInt("MainDlgX", 300);
    settings.WriteInt("MainDlgY", 310);
  }
  Start();
  EXPECT_EQ(window_->OuterRect().left, 40);
  EXPECT_EQ(window_->OuterRect().top, 50);
  EXPECT_EQ(dialog_->OuterRect().left, 300);
  EXPECT_EQ(dialog_->OuterRect().top, 310);

  window_->MoveOuter(70, 80, window_->OuterRect().right - window_->OuterRect().left,
                     window_->OuterRect().bottom - window_->OuterRect().top, false);
  dialog_->MoveOuter(320, 330, dialog_->OuterRect().right - dialog_->OuterRect().left,
                     dialog_->OuterRect().bottom - dialog_->OuterRect().top, false);
  windows_.ScriptAnswer(plat::kIdOk);
  window_->UserClose();
  Pump();
  EXPECT_FALSE(window_->IsAlive());
  EXPECT_FALSE(dialog_->IsAlive());
  RegistrySettings settings("Quillmark", "Vantrel", 0);
  int32_t x = 0, y = 0;
  settings.ReadInt("MainWndX", &x);
  settings.ReadInt("MainWndY", &y);
  EXPECT_EQ(x, 70);
  EXPECT_EQ(y, 80);
  settings.ReadInt("MainDlgX", &x);
  settings.ReadInt("MainDlgY", &y);
  EXPECT_EQ(x, 320);
  EXPECT_EQ(y, 330);
}

TEST_F(EditorTest, QuittingAsksFirstFromEveryWay) {
  Start();
  // Escape, answered Cancel: nothing happens.
  windows_.ScriptAnswer(plat::kIdCancel);
  windows_.PostMessage(window_, plat::kMsgKeyDown, plat::kKeyEscape, 0);
  Pump();
  ASSERT_EQ(windows_.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows_.MessageBoxes()[0].text, "Really quit?");
  EXPECT_EQ(windows_.MessageBoxes()[0].caption, "Confirm");
  EXPECT_TRUE(window_->IsAlive());
  // The dialog's close box asks the main window.
  windows_.ScriptAnswer(plat::kIdCancel);
  dialog_->UserClose();
  Pump();
  EXPECT_EQ(windows_.MessageBoxes().size(), 2u);
  EXPECT_TRUE(dialog_->IsAlive());
  // File > Exit, answered OK: both windows go and the loop ends with 0.
  windows_.ScriptAnswer(plat::kIdOk);
  dialog_->ChooseMenu(kMenuExit);
  EXPECT_FALSE(window_->IsAlive());
  EXPECT_FALSE(dialog_->IsAlive());
  EXPECT_EQ(RunMessageLoop(), 0);
}

TEST_F(EditorTest, MousePaintsPicksAndChoosesFromThePalette) {
  Start();
  OpenStarter();
  BoardSet& set = TheBoardSet();
  const int32_t bricks = set.bricks.count;
  ASSERT_GT(bricks, 2);
  const int32_t left = set.GetBoardLeft();

  // Palette slot 2 (third from the left on the top row) = brick 2.
  Mouse(plat::kMsgLButtonDown, 16 + 2 * 48 + 5, 528 + 5, plat::kButtonLeft);
  EXPECT_EQ(TheEditor().selectedBrick, 2);
  // Far beyond the last brick: the last one.
  Mouse(plat::kMsgLButtonDown, 1200, 715, plat::kButtonLeft);
  EXPECT_EQ(TheEditor().selectedBrick, bricks);
  Mouse(plat::kMsgLButtonDown, 16 + 2 * 48 + 5, 528 + 5, plat::kButtonLeft);

  // A drag along row 3 paints every cell passed over.
  set.ClearBoard();
  Mouse(plat::kMsgLButtonDown, left + 5, 3 * 24 + 5, plat::kButtonLeft);
  for (int c = 1; c < 6; ++c) Mouse(plat::kMsgMouseMove, left + c * 48 + 10, 3 * 24 + 5, plat::kButtonLeft);
  Mouse(plat::kMsgLButtonUp, left + 5 * 48 + 10, 3 * 24 + 5, 0);
  for (int c = 0; c < 6; ++c) EXPECT_EQ(set.GetCell(c, 3), 2) << c;
  EXPECT_EQ(set.GetCell(6, 3), 0);
  EXPECT_EQ(TheEditor().hoverColumn, 5);
  EXPECT_EQ(TheEditor().hoverRow, 3);
  // Moving without a button paints nothing.
  Mouse(plat::kMsgMouseMove, left + 10 * 48 + 5, 5, 0);
  EXPECT_EQ(set.GetCell(10, 0), 0);

  // Right click picks a cell's brick; slot 0 paints empty cells.
  set.SetCell(7, 7, 1);
  Mouse(plat::kMsgRButtonDown, left + 7 * 48 + 5, 7 * 24 + 5, plat::kButtonRight);
  EXPECT_EQ(TheEditor().selectedBrick, 1);
  Mouse(plat::kMsgLButtonDown, 16 + 5, 528 + 5, plat::kButtonLeft);
  EXPECT_EQ(TheEditor().selectedBrick, 0);
  Mouse(plat::kMsgLButtonDown, left + 7 * 48 + 5, 7 * 24 + 5, plat::kButtonLeft);
  EXPECT_EQ(set.GetCell(7, 7), 0);
}

TEST_F(EditorTest, ArrowKeysMoveBetweenBoardsAndTheDialogFollows) {
  Start();
  OpenStarter();
  ASSERT_GT(TheBoardSet().boardCount, 1);
  windows_.PostMessage(window_, plat::kMsgKeyDown, plat::kKeyRight, 0);
  Pump();
  EXPECT_EQ(TheBoardSet().currentBoard, 1);
  EXPECT_EQ(dialog_->GetText(kIdBoardNumber), "2");
  windows_.PostMessage(window_, plat::kMsgKeyDown, plat::kKeyLeft, 0);
  windows_.PostMessage(window_, plat::kMsgKeyDown, plat::kKeyLeft, 0);
  Pump();
  EXPECT_EQ(TheBoardSet().currentBoard, 0);
  EXPECT_EQ(dialog_->GetText(kIdBoardNumber), "1");
}

TEST_F(EditorTest, ViewShowsSideBarsGridBricksAndPalette) {
  Start();
  // 20 columns: 160-pixel side bars.
  const auto& shot = window_->LastPresented();
  ASSERT_EQ(shot.width, 1280);
  const uint32_t grey64 = Shown(64, 64, 64), grey128 = Shown(128, 128, 128), black = Shown(0, 0, 0);
  EXPECT_EQ(shot.At(159, 100), grey64);
  EXPECT_EQ(shot.At(160, 100), grey128);  // the first column's left grid line
  EXPECT_EQ(shot.At(170, 10), black);
  EXPECT_EQ(shot.At(1120, 100), grey64);
  EXPECT_EQ(shot.At(600, 500), grey64);  // status bar
  EXPECT_EQ(shot.At(5, 700), black);     // palette
  // No brick selected: a black box in the status bar, grey around it.
  EXPECT_EQ(shot.At(616, 492), black);
  EXPECT_EQ(shot.At(663, 515), black);
  EXPECT_EQ(shot.At(615, 492), grey64);
  EXPECT_EQ(shot.At(664, 515), grey64);

  // Bricks: a number beyond the set draws image 0, a negative one nothing.
  OpenStarter();
  BoardSet& set = TheBoardSet();  // Open puts a new set in place
  set.columns = 20;
  set.ClearBoard();
  dialog_->ChooseMenu(kMenuShowGrid);  // grid off
  Pump();
  EXPECT_FALSE(dialog_->IsMenuItemChecked(kMenuShowGrid));
  const auto empty = window_->LastPresented();
  set.SetCell(0, 0, 100000);
  set.SetCell(1, 0, -3);
  set.SetCell(2, 0, 1);
  window_->Invalidate();
  Pump();
  const int32_t left = set.GetBoardLeft();
  const auto& view = window_->LastPresented();
  auto cellDiffers = [&](const plat::headless::ClientImage& a, int c, const plat::headless::ClientImage& b, int c2) {
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 48; ++x)
        if (a.At(left + 48 * c + x, y) != b.At(left + 48 * c2 + x, y)) return true;
    return false;
  };
  EXPECT_TRUE(cellDiffers(view, 2, empty, 2)) << "brick 1 is drawn";
  EXPECT_FALSE(cellDiffers(view, 0, view, 2)) << "too large a brick number draws image 0";
  EXPECT_FALSE(cellDiffers(view, 1, empty, 1)) << "a negative cell draws nothing";

  // A selected brick shows its image in the box.
  Mouse(plat::kMsgLButtonDown, 16 + 48 + 5, 528 + 5, plat::kButtonLeft);
  ASSERT_EQ(TheEditor().selectedBrick, 1);
  {
    const auto& picked = window_->LastPresented();
    bool sameAsBrick = true;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 48; ++x)
        if (picked.At(616 + x, 492 + y) != picked.At(left + 96 + x, y)) sameAsBrick = false;
    EXPECT_TRUE(sameAsBrick) << "the box shows brick 1 as the board does";
  }

  // 26 columns: 16-pixel side bars.
  dialog_->Click(kIdWidescreen);
  Pump();
  EXPECT_EQ(set.columns, 26);
  EXPECT_EQ(window_->LastPresented().At(15, 300), grey64);
  EXPECT_NE(window_->LastPresented().At(16, 300), grey64);
  EXPECT_EQ(window_->LastPresented().At(1264, 300), grey64);
}

TEST_F(EditorTest, OpenLoadsTheSetItsImagesAndTitles) {
  Start();
  OpenStarter();
  BoardSet& set = TheBoardSet();
  EXPECT_TRUE(windows_.MessageBoxes().empty());
  ASSERT_EQ(files_.Requests().size(), 1u);
  EXPECT_EQ(files_.Requests()[0].title, "Load Board Set");
  EXPECT_GT(set.boardCount, 0);
  EXPECT_TRUE(set.bricks.names != nullptr);
  EXPECT_EQ(window_->Title(), "Vantrel Editor - " + set.fileStem + " -" + set.checksumText);
  EXPECT_EQ(dialog_->Title(), window_->Title());
  EXPECT_EQ(dialog_->GetText(kIdBrickSet), set.brickSetPath + " (File Loaded)");
  EXPECT_EQ(dialog_->GetText(kIdBoardCount), std::to_string(set.boardCount));
  EXPECT_EQ(dialog_->GetText(kIdTitle), set.title);
  EXPECT_EQ(dialog_->ItemCount(kIdBackground), set.backgrounds.count);
  EXPECT_EQ(dialog_->ItemText(kIdBackground, 0), std::string("0 ") + set.backgrounds.GetName(0).Text());
}

TEST_F(EditorTest, OpenFindsImageSetsBesideTheBoardSetFile) {
  // The image sets only next to the set, outside the search folders.
  const fs::path elsewhere = vantrel::test::MakeTempDir("elsewhere");
  for (const char* name : {"Bricks.img", "Backgrounds.img", "Starter.bdz"})
    fs::rename(dir_ / "Boards" / name, elsewhere / name);
  Start();
  files_.QueueChoose(elsewhere / "Starter.bdz");
  dialog_->Click(kIdOpen);
  Pump();
  EXPECT_TRUE(TheBoardSet().bricks.names != nullptr);
  EXPECT_TRUE(TheBoardSet().backgrounds.names != nullptr);
}

TEST_F(EditorTest, FailedOpenKeepsTheEditedSet) {
  Start();
  BoardSet& before = TheBoardSet();
  before.title = "my work";
  before.SetCell(3, 4, 9);
  {
    std::ofstream out((dir_ / "bad.bdz").string(), std::ios::binary);
    out << "this is no board set at all";
  }
  files_.QueueChoose(dir_ / "bad.bdz");
  dialog_->Click(kIdOpen);
  Pump();
  ASSERT_EQ(windows_.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows_.MessageBoxes()[0].caption, "Error");
  EXPECT_EQ(windows_.MessageBoxes()[0].text.rfind("Error loading boardset: ", 0), 0u);
  EXPECT_EQ(TheBoardSet().title, "my work");
  EXPECT_EQ(TheBoardSet().GetCell(3, 4), 9);
  EXPECT_EQ(dialog_->GetText(kIdTitle), "my work");

  // Cancelled and unopenable choices do nothing.
  files_.QueueCancel();
  dialog_->ChooseMenu(kMenuOpen);
  Pump();
  EXPECT_EQ(windows_.MessageBoxes().size(), 1u);
  EXPECT_EQ(TheBoardSet().title, "my work");
}

TEST_F(EditorTest, LockedSetsNeedThePassword) {
  Start({"-pwd", "open sesame"});
  OpenStarter();
  const fs::path locked = dir_ / "locked";
  files_.QueueChoose(locked);
  dialog_->Click(kIdSave);
  Pump();
  ASSERT_TRUE(fs::exists(dir_ / "locked.bdz"));
  EXPECT_TRUE(TheBoardSet().IsLocked());
  EXPECT_NE(window_->Title().find(" (Locked) -"), std::string::npos);

  // Without the password the set cannot be opened.
  TheEditor().password.clear();
  TheBoardSet().title = "unsaved";
  files_.QueueChoose(dir_ / "locked.bdz");
  dialog_->Click(kIdOpen);
  Pump();
  ASSERT_EQ(windows_.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows_.MessageBoxes()[0].text, "Error loading boardset: Boardset file is locked. ");
  EXPECT_EQ(TheBoardSet().title, "unsaved");

  TheEditor().password = "open sesame";
  files_.QueueChoose(dir_ / "locked.bdz");
  dialog_->Click(kIdOpen);
  Pump();
  EXPECT_EQ(windows_.MessageBoxes().size(), 1u);
  EXPECT_TRUE(TheBoardSet().IsLocked());
}

TEST_F(EditorTest, SaveAddsBdzAndReadsBack) {
  Start();
  OpenStarter();
  TheBoardSet().SetCell(2, 2, 5);
  dialog_->Type(kIdTitle, "Renamed");
  files_.QueueChoose(dir_ / "mine");
  dialog_->ChooseMenu(kMenuSave);
  Pump();
  EXPECT_TRUE(windows_.MessageBoxes().empty());
  ASSERT_TRUE(fs::exists(dir_ / "mine.bdz"));
  EXPECT_EQ(files_.Requests().back().title, "Save Board Set");
  EXPECT_EQ(window_->Title(), "Vantrel Editor - mine -" + TheBoardSet().checksumText);

  files_.QueueChoose(dir_ / "other.set");
  dialog_->Click(kIdSave);
  Pump();
  EXPECT_TRUE(fs::exists(dir_ / "other.set"));

  files_.QueueChoose(dir_ / "mine.bdz");
  dialog_->Click(kIdOpen);
  Pump();
  EXPECT_EQ(TheBoardSet().title, "Renamed");
  EXPECT_EQ(TheBoardSet().GetCell(2, 2), 5);
}

TEST_F(EditorTest, NewAsksAndASetWithoutBoardsIsNotSaved) {
  Start();
  OpenStarter();
  windows_.ScriptAnswer(plat::kIdCancel);
  dialog_->Click(kIdNew);
  Pump();
  EXPECT_GT(TheBoardSet().boardCount, 0);
  windows_.ScriptAnswer(plat::kIdOk);
  dialog_->ChooseMenu(kMenuNew);
  Pump();
  ASSERT_EQ(windows_.MessageBoxes().size(), 2u);
  EXPECT_EQ(windows_.MessageBoxes()[1].text, "Discard current boardset?");
  EXPECT_EQ(TheBoardSet().boardCount, 0);
  EXPECT_EQ(dialog_->GetText(kIdBoardCount), "0");

  files_.QueueChoose(dir_ / "empty.bdz");
  dialog_->Click(kIdSave);
  Pump();
  ASSERT_EQ(windows_.MessageBoxes().size(), 3u);
  EXPECT_EQ(windows_.MessageBoxes()[2].text, "Couldn't save boards!");
  EXPECT_EQ(windows_.MessageBoxes()[2].caption, "Error");
  EXPECT_FALSE(fs::exists(dir_ / "empty.bdz"));
}

TEST_F(EditorTest, AppendAddsTheOtherSetsBoards) {
  Start();
  OpenStarter();
  const int32_t count = TheBoardSet().boardCount;
  const std::string title = TheBoardSet().title;
  files_.QueueChoose(dir_ / "Boards" / "Starter.bdz");
  dialog_->Click(kIdAppend);
  Pump();
  EXPECT_EQ(files_.Requests().back().title, "Append Board Set");
  EXPECT_EQ(TheBoardSet().boardCount, std::min(2 * count, 128));
  EXPECT_EQ(dialog_->GetText(kIdBoardCount), std::to_string(TheBoardSet().boardCount));
  EXPECT_EQ(std::memcmp(TheBoardSet().boards[0].cells, TheBoardSet().boards[count].cells,
                        sizeof TheBoardSet().boards[0].cells),
            0);
  EXPECT_EQ(TheBoardSet().title, title);

  // A file that is no board set is reported and appends nothing.
  const int32_t grown = TheBoardSet().boardCount;
  {
    std::ofstream out((dir_ / "bad.bdz").string(), std::ios::binary);
    out << "not a board set";
  }
  files_.QueueChoose(dir_ / "bad.bdz");
  dialog_->ChooseMenu(kMenuAppend);
  Pump();
  ASSERT_EQ(windows_.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows_.MessageBoxes()[0].caption, "Error");
  EXPECT_EQ(windows_.MessageBoxes()[0].text.rfind("Error loading boardset: ", 0), 0u);
  EXPECT_EQ(TheBoardSet().boardCount, grown);
  EXPECT_EQ(TheBoardSet().title, title);
}

TEST_F(EditorTest, BoardNumberFieldClampsAndNavigationButtons) {
  Start();
  OpenStarter();
  BoardSet& set = TheBoardSet();
  set.SetBoardCount(10);
  for (const char* typed : {"0", "-5"}) {
    dialog_->Type(kIdBoardNumber, "3");
    EXPECT_EQ(set.currentBoard, 2);
    dialog_->Type(kIdBoardNumber, typed);
    EXPECT_EQ(set.currentBoard, 0);
    dialog_->Leave(kIdBoardNumber);
    Pump();
    EXPECT_EQ(dialog_->GetText(kIdBoardNumber), "1");
  }
  dialog_->Click(kIdLastBoard);
  Pump();
  EXPECT_EQ(set.currentBoard, 9);
  dialog_->Click(kIdNextBoard);
  Pump();
  EXPECT_EQ(set.currentBoard, 9);
  dialog_->Click(kIdPrevBoard);
  Pump();
  EXPECT_EQ(dialog_->GetText(kIdBoardNumber), "9");
  dialog_->Click(kIdFirstBoard);
  Pump();
  EXPECT_EQ(set.currentBoard, 0);
  dialog_->Type(kIdBoardCount, "4");
  EXPECT_EQ(set.boardCount, 4);
  dialog_->Type(kIdSortOrder, "-12");
  EXPECT_EQ(set.sortOrder, -12);
}

TEST_F(EditorTest, ClipboardCutInsertShiftAndOffset) {
  Start();
  BoardSet& set = TheBoardSet();
  set.SetBoardCount(128);
  for (int b = 0; b < 128; ++b) set.boards[b].cells[0] = b + 1;
  // Cut on the last board of a full set leaves board 127 as it was.
  set.SetCurrentBoard(127);
  dialog_->ChooseMenu(kMenuCut);
  Pump();
  EXPECT_EQ(set.boards[127].cells[0], 128);
  EXPECT_EQ(set.boards[BoardSet::kSpareBoard].cells[0], 128);
  EXPECT_EQ(set.boardCount, 128);

  set.SetCurrentBoard(0);
  dialog_->Click(kIdCopy);
  dialog_->ChooseMenu(kMenuInsert);
  Pump();
  EXPECT_EQ(set.boards[0].cells[0], 0);
  EXPECT_EQ(set.boards[1].cells[0], 1);
  dialog_->ChooseMenu(kMenuPaste);
  Pump();
  EXPECT_EQ(set.boards[0].cells[0], 1);

  set.SetCell(0, 0, 4);
  dialog_->Click(kIdShiftRight);
  dialog_->Click(kIdShiftDown);
  Pump();
  EXPECT_EQ(set.GetCell(1, 1), 4);
  dialog_->Type(kIdOffsetValue, "3");
  dialog_->Click(kIdApplyOffset);
  Pump();
  EXPECT_EQ(set.GetCell(1, 1), 7);
  EXPECT_EQ(set.GetCell(5, 5), 0);
  // The offset is signed.
  dialog_->Type(kIdOffsetValue, "-5");
  EXPECT_EQ(TheEditor().offsetValue, -5);
  dialog_->Click(kIdApplyOffset);
  Pump();
  EXPECT_EQ(set.GetCell(1, 1), 2);
  EXPECT_EQ(dialog_->GetText(kIdOffsetValue), "-5");
  dialog_->Click(kIdClear);
  Pump();
  EXPECT_EQ(set.GetCell(1, 1), 0);
}

TEST_F(EditorTest, WidescreenKeepsTheStoredColumns) {
  Start();
  BoardSet& set = TheBoardSet();
  set.columns = 26;
  set.SetCell(5, 5, 2);
  set.SetCell(23, 5, 3);
  dialog_->Click(kIdWidescreen);
  Pump();
  EXPECT_EQ(set.columns, 20);
  EXPECT_FALSE(dialog_->IsChecked(kIdWidescreen));
  dialog_->Click(kIdWidescreen);
  Pump();
  EXPECT_EQ(set.columns, 26);
  EXPECT_TRUE(dialog_->IsChecked(kIdWidescreen));
  EXPECT_EQ(set.GetCell(5, 5), 2);
  EXPECT_EQ(set.GetCell(23, 5), 3);
}

TEST_F(EditorTest, BackgroundChoiceAndImageSets) {
  Start();
  files_.QueueChoose(dir_ / "Boards" / "Bricks.img");
  dialog_->Click(kIdSelectBrickSet);
  Pump();
  EXPECT_EQ(files_.Requests().back().title, "Choose Brick Image Set");
  EXPECT_EQ(TheBoardSet().brickSetPath, "Bricks.img");
  EXPECT_EQ(dialog_->GetText(kIdBrickSet), "Bricks.img (File Loaded)");
  files_.QueueChoose(dir_ / "Boards" / "Backgrounds.img");
  dialog_->Click(kIdSelectBackgroundSet);
  Pump();
  EXPECT_EQ(files_.Requests().back().title, "Choose Background Image Set");
  EXPECT_EQ(dialog_->GetText(kIdBackgroundSet), "Backgrounds.img (File Loaded)");
  ASSERT_GT(dialog_->ItemCount(kIdBackground), 1);
  dialog_->Select(kIdBackground, 1);
  Pump();
  EXPECT_EQ(TheBoardSet().boards[0].background, 1u);
  EXPECT_EQ(dialog_->Selection(kIdBackground), 1);
}

TEST_F(EditorTest, SaveIconWritesAPng) {
  Start();
  OpenStarter();
  files_.QueueChoose(dir_ / "icon");
  dialog_->Click(kIdSaveIcon);
  Pump();
  EXPECT_EQ(files_.Requests().back().title, "Save Icon");
  EXPECT_TRUE(fs::exists(dir_ / "icon.png"));
  EXPECT_TRUE(windows_.MessageBoxes().empty());

  // A name that cannot be written (a folder has it) is reported.
  fs::create_directories(dir_ / "taken.png");
  files_.QueueChoose(dir_ / "taken.png");
  dialog_->Click(kIdSaveIcon);
  Pump();
  ASSERT_EQ(windows_.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows_.MessageBoxes()[0].caption, "Error");
  EXPECT_EQ(windows_.MessageBoxes()[0].text, "Couldn't save icon!");
}

TEST_F(EditorTest, ToolButtonsStartTheToolsFromTheStartFolder) {
  Start();
  const fs::path start = fs::current_path();
  fs::current_path(vantrel::test::MakeTempDir("moved"));
  dialog_->Click(kIdSheetwright);
  dialog_->Click(kIdWorkshopHelper);
  ASSERT_EQ(shell_.programs.size(), 2u);
  EXPECT_EQ(shell_.programs[0], (start / "Tools/Sheetwright").string());
  EXPECT_EQ(shell_.programs[1], (start / "Tools/VantrelWorkshop").string());
}

}  // namespace
