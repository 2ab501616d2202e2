// The editor's control dialog: the set's files, texts and settings, moving
// between boards, the board clipboard, shifting, the icon export and
// starting the two companion tools.
#include <algorithm>
#include <exception>

#include <boost/filesystem.hpp>

#include "editor/editor.h"
#include "graphics/display.h"
#include "platform/message_box.h"
#include "platform/shell.h"

namespace editor {

namespace {

using plat::ControlDesc;
using plat::ControlKind;

constexpr size_t kMaxTextBytes = 1000;

void PostRefresh() {
  EditorState& ed = TheEditor();
  if (ed.dialog) ed.dialog->PostMessage(kMsgRefresh, 0, 0);
}

void RepaintMain() {
  EditorState& ed = TheEditor();
  if (ed.mainWindow) ed.mainWindow->Invalidate();
}

plat::WindowPlacement* Owner() {
  EditorState& ed = TheEditor();
  if (ed.dialog) return ed.dialog;
  return ed.mainWindow;
}

void ShowError(const std::string& text) { plat::ShowMessageBox(TheEditor().mainWindow, text, "Error", plat::kMbOk); }

std::string SetStateText(const std::string& path, const ImageSet& set) {
  return path + " (" + (set.names ? "File Loaded" : "File Not Found") + ")";
}

void Refresh(plat::Dialog* dialog) {
  EditorState& ed = TheEditor();
  BoardSet& set = *ed.boardSet;
  const BoardRecord& board = set.boards[std::clamp(set.currentBoard, 0, BoardSet::kMaxBoards - 1)];

  dialog->ResetItems(kIdBackground);
  if (set.backgrounds.names) {
    for (int32_t i = 0; i < set.backgrounds.count; ++i)
      dialog->AddItem(kIdBackground, std::to_string(i) + " " + set.backgrounds.GetName(i).Text());
  }
  dialog->SetSelection(kIdBackground, static_cast<int32_t>(board.background));

  dialog->SetNumber(kIdBoardNumber, set.currentBoard + 1);
  dialog->SetNumber(kIdBoardCount, set.boardCount);
  dialog->SetText(kIdBrickSet, SetStateText(set.brickSetPath, set.bricks));
  dialog->SetText(kIdBackgroundSet, SetStateText(set.backgroundSetPath, set.backgrounds));
  dialog->Check(kIdWidescreen, set.columns >= BoardRecord::kColumns);
  dialog->SetText(kIdChecksum, set.checksumText);
  dialog->SetNumber(kIdSortOrder, set.sortOrder);
  // Copies: setting an edit's text reports a change, which writes the
  // field back into the set.
  const std::string title = set.title, author = set.author, notes = set.notes;
  dialog->SetText(kIdTitle, title);
  dialog->SetText(kIdAuthor, author);
  dialog->SetText(kIdNotes, notes);
  dialog->SetNumber(kIdOffsetValue, ed.offsetValue);
  RepaintMain();
}

int32_t NumberOf(plat::Dialog* dialog, int32_t id) {
  int32_t value = 0;
  dialog->GetNumber(id, &value);
  return value;
}

std::string TextOf(plat::Dialog* dialog, int32_t id) {
  std::string text = dialog->GetText(id);
  if (text.size() > kMaxTextBytes) text.resize(kMaxTextBytes);
  return text;
}

void Command(plat::Dialog* dialog, int32_t id, uint32_t notify) {
  EditorState& ed = TheEditor();
  BoardSet& set = *ed.boardSet;
  switch (id) {
    case kIdPrevBoard:
    case kIdNextBoard:
      set.SetCurrentBoard(set.currentBoard + (id == kIdPrevBoard ? -1 : 1));
      PostRefresh();
      break;
    case kIdFirstBoard:
      set.currentBoard = 0;
      PostRefresh();
      break;
    case kIdLastBoard:
      set.SetCurrentBoard(set.boardCount - 1);
      PostRefresh();
      break;
    case kIdBoardNumber:
      if (notify == plat::kNotifyEditChange) {
        set.SetCurrentBoard(NumberOf(dialog, id) - 1);
        RepaintMain();
      } else if (notify == plat::kNotifyEditKillFocus) {
        PostRefresh();
      }
      break;
    case kIdBoardCount:
      if (notify == plat::kNotifyEditChange) set.SetBoardCount(NumberOf(dialog, id));
      break;
    case kIdTitle:
      if (notify == plat::kNotifyEditChange) set.title = TextOf(dialog, id);
      break;
    case kIdAuthor:
      if (notify == plat::kNotifyEditChange) set.author = TextOf(dialog, id);
      break;
    case kIdNotes:
      if (notify == plat::kNotifyEditChange) set.notes = TextOf(dialog, id);
      break;
    case kIdOffsetValue:
      if (notify == plat::kNotifyEditChange) ed.offsetValue = NumberOf(dialog, id);
      break;
    case kIdSortOrder:
      if (notify == plat::kNotifyEditChange) set.sortOrder = NumberOf(dialog, id);
      break;
    case kIdApplyOffset:
      set.OffsetBricks(set.currentBoard, ed.offsetValue);
      PostRefresh();
      break;
    case kIdWidescreen:
      set.columns = set.columns < BoardRecord::kColumns ? BoardRecord::kColumns : 20;
      dialog->Check(kIdWidescreen, set.columns >= BoardRecord::kColumns);
      PostRefresh();
      break;
    case kIdBackground:
      if (notify == plat::kNotifyListSelChange) {
        const int32_t selection = dialog->Selection(id);
        if (selection >= 0 && set.currentBoard >= 0 && set.currentBoard < BoardSet::kMaxBoards)
          set.boards[set.currentBoard].background = static_cast<uint32_t>(selection);
        PostRefresh();
      }
      break;
    case kIdCopy:
    case kMenuCopy:
      set.CopyToSpareBoard();
      PostRefresh();
      break;
    case kIdPaste:
    case kMenuPaste:
      set.CopyFromSpareBoard();
      PostRefresh();
      break;
    case kIdClear:
    case kMenuClear:
      set.ClearBoard();
      PostRefresh();
      break;
    case kMenuCut:
      set.CopyToSpareBoard();
      set.DeleteBoard(set.currentBoard);
      RepaintMain();
      break;
    case kMenuInsert:
      set.InsertBoard(set.currentBoard);
      RepaintMain();
      break;
    case kIdShiftUp:
      set.ShiftBoard(0, -1);
      PostRefresh();
      break;
    case kIdShiftDown:
      set.ShiftBoard(0, 1);
      PostRefresh();
      break;
    case kIdShiftLeft:
      set.ShiftBoard(-1, 0);
      PostRefresh();
      break;
    case kIdShiftRight:
      set.ShiftBoard(1, 0);
      PostRefresh();
      break;
    case kMenuShowGrid:
      ed.showGrid = !ed.showGrid;
      dialog->CheckMenuItem(kMenuShowGrid, ed.showGrid);
      RepaintMain();
      break;
    case kIdNew:
    case kMenuNew: CommandNew(); break;
    case kIdOpen:
    case kMenuOpen: CommandOpen(); break;
    case kIdAppend:
    case kMenuAppend: CommandAppend(); break;
    case kIdSave:
    case kMenuSave: CommandSave(); break;
    case kIdSaveIcon: CommandSaveIcon(); break;
    case kIdSelectBrickSet:
    case kIdSelectBackgroundSet: CommandChooseImageSet(id == kIdSelectBrickSet); break;
    case kIdSheetwright:
    case kIdWorkshopHelper: CommandStartTool(id); break;
    case kMenuExit:
      if (plat::ShowMessageBox(ed.mainWindow, "Really quit?", "Confirm", plat::kMbOkCancel) == plat::kIdOk &&
          ed.mainWindow)
        ed.mainWindow->Destroy();
      break;
    default: break;
  }
}

ControlDesc Ctl(int32_t id, ControlKind kind, const std::string& text, int32_t x, int32_t y, int32_t w, int32_t h,
                uint32_t flags = 0, int32_t limit = 0) {
  ControlDesc desc;
  desc.id = id;
  desc.kind = kind;
  desc.text = text;
  desc.rect = {x, y, w, h};
  desc.flags = flags;
  desc.limit = limit;
  return desc;
}

}  // namespace

void AppendBoards(BoardSet& set, const BoardSet& loaded) {
  const int32_t existing = std::clamp(set.boardCount, 0, BoardSet::kMaxBoards);
  const int32_t added = std::clamp(loaded.boardCount, 0, BoardSet::kMaxBoards);
  for (int32_t i = 0; i < added && existing + i < BoardSet::kMaxBoards; ++i)
    set.boards[existing + i] = loaded.boards[i];
  set.boardCount = std::min(existing + added, BoardSet::kMaxBoards);
}

void CommandNew() {
  EditorState& ed = TheEditor();
  if (plat::ShowMessageBox(ed.mainWindow, "Discard current boardset?", "Confirm", plat::kMbOkCancel) != plat::kIdOk)
    return;
  ed.boardSet->Reset();
  PostRefresh();
}

void CommandOpen() {
  EditorState& ed = TheEditor();
  if (!ed.boardReq.Open(Owner(), "Load Board Set")) return;
  const boost::filesystem::path path = ed.boardReq.GetPath();
  if (!ed.dataFiles.Open(path)) return;
  // Loaded into a set of its own: a wrong, corrupt or locked file leaves
  // the set being edited as it was.
  auto loaded = std::make_unique<BoardSet>();
  bool ok = false;
  try {
    ok = loaded->Load(ed.dataFiles, true, ed.password);
    if (ok) {
      if (!loaded->LoadImageSets(ed.dataFiles, false)) {
        const boost::filesystem::path folder = path.parent_path();
        if (!loaded->bricks.names) {
          if (FILE* f = ed.dataFiles.Open(folder / loaded->brickSetPath)) loaded->LoadBrickSet(f, false);
        }
        if (!loaded->backgrounds.names) {
          if (FILE* f = ed.dataFiles.Open(folder / loaded->backgroundSetPath)) loaded->LoadBackgroundSet(f);
        }
      }
      loaded->UploadImageSets(TheDisplay().format);
    }
  } catch (const std::exception& e) {
    ok = false;
    ShowError(std::string("Error loading boardset: ") + e.what() + " ");
  }
  if (ok) ed.boardSet = std::move(loaded);
  ed.dataFiles.Close();
  UpdateWindowTitles();
  PostRefresh();
}

void CommandAppend() {
  EditorState& ed = TheEditor();
  BoardSet loaded;
  if (!ed.boardReq.Open(Owner(), "Append Board Set")) return;
  if (!ed.dataFiles.Open(ed.boardReq.GetPath())) return;
  try {
    if (loaded.Load(ed.dataFiles, true, ed.password)) AppendBoards(*ed.boardSet, loaded);
  } catch (const std::exception& e) {
    ShowError(std::string("Error loading boardset: ") + e.what() + " ");
  }
  ed.dataFiles.Close();
  PostRefresh();
}

void CommandSave() {
  EditorState& ed = TheEditor();
  BoardSet& set = *ed.boardSet;
  if (!ed.boardReq.Save(Owner(), "Save Board Set", true)) return;
  if (!ed.password.empty() && !set.IsLocked()) {
    try {
      set.Lock(ed.password);
    } catch (const std::exception& e) {
      ShowError(e.what());
      return;
    }
  }
  boost::filesystem::path path = ed.boardReq.GetPath();
  if (!HasExtension(path)) path.replace_extension("bdz");
  if (!set.Save(path)) ShowError("Couldn't save boards!");
  UpdateWindowTitles();
  PostRefresh();
}

void CommandSaveIcon() {
  EditorState& ed = TheEditor();
  FileRequester requester;
  requester.AddFilter("PNG", "*.png");
  requester.SetDefaultExtension("png");
  if (!requester.Save(Owner(), "Save Icon", true)) return;
  boost::filesystem::path path = requester.GetPath();
  if (!HasExtension(path)) path.replace_extension("png");
  if (!ed.boardSet->SaveIcon(ed.boardSet->currentBoard, path)) ShowError("Couldn't save icon!");
}

void CommandChooseImageSet(bool bricks) {
  EditorState& ed = TheEditor();
  BoardSet& set = *ed.boardSet;
  if (!ed.imgReq.Open(Owner(), bricks ? "Choose Brick Image Set" : "Choose Background Image Set")) return;
  const boost::filesystem::path path = ed.imgReq.GetPath();
  (bricks ? set.brickSetPath : set.backgroundSetPath) = path.filename().string();
  if (FILE* f = ed.dataFiles.Open(path)) {
    try {
      if (bricks)
        set.LoadBrickSet(f, false);
      else
        set.LoadBackgroundSet(f);
    } catch (const std::exception& e) {
      ShowError(e.what());
    }
  }
  ed.dataFiles.Close();
  set.UploadImageSets(TheDisplay().format);
  PostRefresh();
}

void CommandStartTool(int32_t id) {
  const char* tool = id == kIdSheetwright ? "Tools/Sheetwright" : "Tools/VantrelWorkshop";
  plat::StartProgram((TheEditor().startFolder / tool).string());
}

intptr_t MainDlgProc(plat::Dialog* dialog, uint32_t message, uintptr_t wParam, intptr_t /*lParam*/) {
  EditorState& ed = TheEditor();
  switch (message) {
    case plat::kMsgInitDialog:
      ed.settings.RestoreWindow(dialog, "MainDlg", false, false);
      for (int32_t id : {kIdSortOrder, kIdTitle, kIdAuthor, kIdNotes}) dialog->LimitText(id, 32);
      Refresh(dialog);
      return 1;
    case kMsgRefresh: Refresh(dialog); return 1;
    case plat::kMsgCommand:
      Command(dialog, static_cast<int32_t>(plat::LowWord(wParam)), plat::HighWord(wParam));
      return 1;
    case plat::kMsgClose:
      if (ed.mainWindow && plat::GetWindowSystem())
        plat::GetWindowSystem()->PostMessage(ed.mainWindow, plat::kMsgClose, 0, 0);
      return 1;
    case plat::kMsgDestroy:
      ed.settings.SaveWindow(dialog, "MainDlg", false, false);
      if (ed.dialog == dialog) ed.dialog = nullptr;
      return 1;
    default: return 0;
  }
}

plat::DialogDesc MainDialogDesc() {
  using K = ControlKind;
  plat::DialogDesc d;
  d.title = kProgramTitle;
  d.width = 331;
  d.height = 201;
  d.proc = MainDlgProc;
  const int32_t none = plat::kNoControlId;
  d.controls = {
      Ctl(none, K::kGroupBox, "Board Set", 4, 2, 202, 196),
      Ctl(kIdNew, K::kButton, "New", 10, 14, 45, 14),
      Ctl(kIdOpen, K::kButton, "Open", 58, 14, 45, 14),
      Ctl(kIdSave, K::kButton, "Save", 106, 14, 45, 14),
      Ctl(kIdAppend, K::kButton, "Append", 154, 14, 45, 14),
      Ctl(none, K::kLabel, "Total Boards:", 10, 36, 50, 8),
      Ctl(kIdBoardCount, K::kEdit, "", 68, 34, 32, 12, plat::kCtlNumber),
      Ctl(kIdWidescreen, K::kCheckBox, "Widescreen:   ", 110, 34, 80, 12),
      Ctl(none, K::kLabel, "Brick Set:", 10, 54, 50, 8),
      Ctl(kIdBrickSet, K::kEdit, "", 68, 52, 94, 12, plat::kCtlReadOnly),
      Ctl(kIdSelectBrickSet, K::kButton, "Select", 165, 51, 35, 14),
      Ctl(none, K::kLabel, "Background Set:", 10, 72, 56, 8),
      Ctl(kIdBackgroundSet, K::kEdit, "", 68, 70, 94, 12, plat::kCtlReadOnly),
      Ctl(kIdSelectBackgroundSet, K::kButton, "Select", 165, 69, 35, 14),
      Ctl(none, K::kLabel, "Sort Order:", 10, 90, 50, 8),
      Ctl(kIdSortOrder, K::kEdit, "", 68, 88, 50, 12, plat::kCtlNumber, 32),
      Ctl(none, K::kLabel, "Title:", 10, 108, 50, 8),
      Ctl(kIdTitle, K::kEdit, "", 68, 106, 132, 12, 0, 32),
      Ctl(none, K::kLabel, "Author:", 10, 126, 50, 8),
      Ctl(kIdAuthor, K::kEdit, "", 68, 124, 132, 12, 0, 32),
      Ctl(none, K::kLabel, "Notes:", 10, 144, 50, 8),
      Ctl(kIdNotes, K::kEdit, "", 68, 142, 132, 12, 0, 32),
      Ctl(none, K::kLabel, "Checksum:", 10, 162, 50, 8),
      Ctl(kIdChecksum, K::kEdit, "", 68, 160, 132, 12, plat::kCtlReadOnly),

      Ctl(none, K::kGroupBox, "Current Board", 210, 2, 117, 124),
      Ctl(kIdFirstBoard, K::kButton, "<<", 215, 14, 20, 14),
      Ctl(kIdPrevBoard, K::kButton, "<", 237, 14, 20, 14),
      Ctl(kIdBoardNumber, K::kEdit, "", 259, 15, 22, 12, plat::kCtlNumber),
      Ctl(kIdNextBoard, K::kButton, ">", 283, 14, 20, 14),
      Ctl(kIdLastBoard, K::kButton, ">>", 305, 14, 20, 14),
      Ctl(none, K::kLabel, "Background", 215, 34, 60, 8),
      Ctl(kIdBackground, K::kDropDown, "", 215, 44, 110, 80),
      Ctl(kIdCopy, K::kButton, "Copy", 215, 62, 35, 14),
      Ctl(kIdPaste, K::kButton, "Paste", 252, 62, 35, 14),
      Ctl(kIdClear, K::kButton, "Clear", 289, 62, 35, 14),
      Ctl(kIdShiftUp, K::kButton, "Up", 215, 80, 26, 14),
      Ctl(kIdShiftDown, K::kButton, "Down", 243, 80, 26, 14),
      Ctl(kIdShiftLeft, K::kButton, "Left", 271, 80, 26, 14),
      Ctl(kIdShiftRight, K::kButton, "Right", 299, 80, 26, 14),
      Ctl(none, K::kLabel, "Offset:", 215, 102, 28, 8),
      Ctl(kIdOffsetValue, K::kEdit, "", 245, 100, 36, 12, plat::kCtlNumber),
      Ctl(kIdApplyOffset, K::kButton, "Add", 285, 99, 40, 14),

      Ctl(none, K::kGroupBox, "Tools", 210, 128, 117, 70),
      Ctl(kIdSheetwright, K::kButton, "Sheetwright", 215, 140, 110, 14),
      Ctl(kIdWorkshopHelper, K::kButton, "Workshop Helper", 215, 158, 110, 14),
      Ctl(kIdSaveIcon, K::kButton, "Save Icon", 215, 176, 110, 14),
  };
  d.menus = {
      {"File",
       {{"&New", kMenuNew},
        {"&Open", kMenuOpen},
        {"&Append", kMenuAppend},
        {"&Save", kMenuSave},
        {"", 0},
        {"E&xit", kMenuExit}}},
      {"Edit",
       {{"Cut", kMenuCut},
        {"&Copy", kMenuCopy},
        {"&Paste", kMenuPaste},
        {"&Insert", kMenuInsert},
        {"Clear", kMenuClear}}},
      {"View", {{"Show &Grid", kMenuShowGrid, true}}},
  };
  return d;
}

}  // namespace editor
