// Sheetwright's main dialog: the entry list and its commands.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "imagetool/imagetool.h"
#include "platform/cp1252.h"
#include "platform/message_box.h"
#include "platform/picture.h"

namespace fs = boost::filesystem;

namespace {

std::string Narrow(const std::string& utf8) { return plat::Utf8ToCp1252Text(utf8); }

void SetName(ImageEntry* entry, const std::string& text) { entry->name.Assign(text.substr(0, kMaxEntryName).c_str()); }

// Loads a picture file into an entry. A file that cannot be read still
// leaves the entry (empty); the returned text then says which file and why,
// for the caller to show once the entry is in the list.
std::string LoadEntryPicture(ImageEntry* entry, const fs::path& path) {
  entry->image.Free();
  entry->image.LoadWithGdiplus(path);
  entry->BuildDisplayFrame();
  entry->RefreshSurface();
  if (!entry->Empty()) return std::string();
  // The loader reports success either way; ask the decoder for its reason.
  plat::Picture picture;
  std::string reason;
  if (plat::LoadPicture(path, &picture, &reason) || reason.empty()) reason = "the file holds no picture";
  return "Could not read picture " + Narrow(path.string()) + ": " + reason;
}

}  // namespace

ImageTool::ImageTool(bool font) : fontMode(font), registry("Quillmark", "Sheetwright", 0) {
  setRequester.AddFilter("ImageSet", "*.img");
}

ImageTool::~ImageTool() = default;

void ImageTool::ParseCommandLine(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "-font") {
      fontMode = true;
      continue;
    }
    size_t first = arg.find_first_not_of(" \"");
    if (first == std::string::npos) continue;
    size_t last = arg.find_last_not_of(" \"");
    setPath = arg.substr(first, last - first + 1);
  }
}

std::string ImageTool::ListLine(size_t index) const {
  return std::to_string(index) + " " + entries[index]->name.Text();
}

void ImageTool::PostRefresh(intptr_t fieldsOnly) {
  if (dialog && dialog->IsAlive()) dialog->PostMessage(kMsgRefresh, 0, fieldsOnly);
}

plat::DialogDesc ImageTool::MainDialogDesc() {
  using plat::ControlKind;
  plat::DialogDesc desc;
  desc.title = "Sheetwright 2.0";
  desc.width = 262;
  desc.height = 186;
  desc.controls = {
      {kIdEntryList, ControlKind::kListBox, "", {7, 7, 150, 142}, plat::kCtlNotify},
      {plat::kNoControlId, ControlKind::kLabel, "Name:", {7, 154, 24, 10}},
      {kIdName, ControlKind::kEdit, "", {33, 152, 124, 13}, 0, kMaxEntryName},
      {kIdSize, ControlKind::kEdit, "", {33, 168, 124, 13}, plat::kCtlDisabled},
      {plat::kNoControlId, ControlKind::kGroupBox, "Images", {164, 3, 91, 100}},
      {kIdAdd, ControlKind::kButton, "Add", {170, 15, 38, 14}},
      {kIdReplace, ControlKind::kButton, "Replace", {211, 15, 38, 14}},
      {kIdUp, ControlKind::kButton, "Up", {170, 33, 38, 14}},
      {kIdDown, ControlKind::kButton, "Down", {211, 33, 38, 14}},
      {kIdRemove, ControlKind::kButton, "Remove", {170, 51, 79, 14}},
      {kIdSave, ControlKind::kButton, "Save", {170, 69, 38, 14}},
      {kIdSaveAll, ControlKind::kButton, "Save All", {211, 69, 38, 14}},
      {plat::kNoControlId, ControlKind::kGroupBox, "Sets", {164, 106, 91, 75}},
      {kIdLoadSet, ControlKind::kButton, "Load Set", {170, 118, 79, 14}},
      {kIdAppendSet, ControlKind::kButton, "Append Set", {170, 134, 79, 14}},
      {kIdSaveSet, ControlKind::kButton, "Save Set", {170, 150, 79, 14}},
      {kIdClearSet, ControlKind::kButton, "Clear Set", {170, 166, 79, 12}},
  };
  desc.proc = [this](plat::Dialog* d, uint32_t m, uintptr_t wp, intptr_t lp) { return MainDlgProc(d, m, wp, lp); };
  return desc;
}

intptr_t ImageTool::MainDlgProc(plat::Dialog* d, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case plat::kMsgInitDialog:
      dialog = d;
      registry.RestoreWindow(d, "MainDlgWnd", false, false);
      if (fontMode) d->SetTitle("Sheetwright 2.0f (Font Mode)");
      if (!setPath.empty()) LoadImageSetEntries(setPath, false);
      PostRefresh(0);
      return 1;

    case kMsgRefresh: {
      // The settings have no controls of their own; these calls keep them
      // written where a dialog that has them would show them.
      d->SetNumber(kIdColourCount, colourCount);
      d->SetNumber(kIdCellWidth, cellWidth);
      d->SetNumber(kIdCellHeight, cellHeight);
      d->SetNumber(kIdGapAcross, gapAcross);
      d->SetNumber(kIdGapDown, gapDown);
      d->SetNumber(kIdSetting1024, setting1024);
      d->Check(kIdMode0, mode == 0);
      d->Check(kIdMode1, mode == 1);
      d->Check(kIdMode2, mode == 2);
      if (lParam == 0) {
        d->ResetItems(kIdEntryList);
        for (size_t i = 0; i < entries.size(); ++i) d->AddItem(kIdEntryList, ListLine(i));
        d->SetSelection(kIdEntryList, Selected() ? static_cast<int32_t>(current) : -1);
      }
      // The field is filled from the name here, so the change it reports
      // is not taken back as a rename (a toolkit may not hold every byte).
      settingFields_ = true;
      if (const ImageEntry* entry = CurrentEntry()) {
        d->SetText(kIdName, entry->name.Text());
        char size[64];
        std::snprintf(size, sizeof(size), "%d x %d", entry->image.width, entry->image.height);
        d->SetText(kIdSize, size);
      } else {
        d->SetText(kIdName, "");
        d->SetText(kIdSize, "");
      }
      settingFields_ = false;
      if (preview && preview->IsAlive()) plat::GetWindowSystem()->PostMessage(preview, kMsgRefresh, 0, 0);
      return 1;
    }

    case plat::kMsgCommand: {
      const int32_t id = static_cast<int32_t>(plat::LowWord(wParam));
      const uint32_t notify = plat::HighWord(wParam);
      switch (id) {
        case kIdEntryList:
          if (notify == plat::kNotifyListSelChange || notify == plat::kNotifyListDoubleClick) {
            int32_t selection = d->Selection(kIdEntryList);
            if (selection >= 0) current = static_cast<uint32_t>(selection);
            PostRefresh(1);
          }
          return 1;
        case kIdName:
          if (ImageEntry* entry = CurrentEntry()) {
            if (notify == plat::kNotifyEditChange) {
              if (settingFields_) return 1;
              SetName(entry, d->GetText(kIdName));
            } else if (notify == plat::kNotifyEditKillFocus) {
              d->DeleteItem(kIdEntryList, static_cast<int32_t>(current));
              d->InsertItem(kIdEntryList, static_cast<int32_t>(current), ListLine(current));
              d->SetSelection(kIdEntryList, static_cast<int32_t>(current));
            }
          }
          return 1;
        case kIdAdd: OnAdd(); return 1;
        case kIdReplace: OnReplace(); return 1;
        case kIdUp: OnUp(); return 1;
        case kIdDown: OnDown(); return 1;
        case kIdRemove: OnRemove(); return 1;
        case kIdSave: OnSave(); return 1;
        case kIdSaveAll: OnSaveAll(); return 1;
        case kIdLoadSet: OnLoadSet(false); return 1;
        case kIdAppendSet: OnLoadSet(true); return 1;
        case kIdSaveSet: OnSaveSet(); return 1;
        case kIdClearSet: OnClearSet(); return 1;
        default: return 0;
      }
    }

    case plat::kMsgClose: OnClose(); return 1;

    case plat::kMsgDestroy:
      if (dialog == d) dialog = nullptr;
      return 1;

    default: return 0;
  }
}

// ------------------------------------------------------------ commands

void ImageTool::OnAdd() {
  FileRequester requester;
  requester.AddFilter("Images", "*.bmp;*.jpg;*.png");
  requester.SetDefaultExtension("png");
  for (const fs::path& path : requester.OpenMany(dialog, "Add an Image")) {
    const std::string stem = path.stem().string();
    std::string name = Narrow(stem);
    if (fontMode) {
      int code = 0;
      if (!GlyphCodeFromStem(stem, &code)) {
        ShowError("Not a character code: " + Narrow(path.filename().string()));
        continue;
      }
      name = std::string(1, static_cast<char>(code));
    }
    auto entry = std::make_unique<ImageEntry>();
    const std::string error = LoadEntryPicture(entry.get(), path);
    SetName(entry.get(), name);
    entries.push_back(std::move(entry));
    if (!error.empty()) ShowError(error);
  }
  current = static_cast<uint32_t>(entries.size() - 1);
  PostRefresh(0);
}

void ImageTool::OnReplace() {
  ImageEntry* entry = CurrentEntry();
  if (!entry) return;
  FileRequester requester;
  requester.AddFilter("Images", "*.bmp;*.jpg;*.png");
  requester.SetDefaultExtension("png");
  if (!requester.Open(dialog, "Replace an Image")) return;
  const std::string error = LoadEntryPicture(entry, requester.GetPath());
  if (!error.empty()) ShowError(error);
  PostRefresh(0);
}

void ImageTool::OnUp() {
  if (current >= 1 && Selected()) {
    std::swap(entries[current], entries[current - 1]);
    --current;
  }
  PostRefresh(0);
}

void ImageTool::OnDown() {
  if (static_cast<size_t>(current) + 1 < entries.size()) {
    std::swap(entries[current], entries[current + 1]);
    ++current;
  }
  PostRefresh(0);
}

void ImageTool::OnRemove() {
  if (Selected()) entries.erase(entries.begin() + current);
  PostRefresh(0);
}

std::string ImageTool::SuggestedName(size_t index) const {
  const std::string name = entries[index]->name.Text();
  std::string base;
  if (fontMode && !name.empty()) {
    char code[16];
    std::snprintf(code, sizeof(code), "%#06X", static_cast<unsigned>(static_cast<unsigned char>(name[0])));
    base = code;
  } else if (IsWindowsName(name) && name != "." && name != "..") {
    base = plat::Cp1252ToUtf8(name);
  } else {
    base = "image" + std::to_string(index);
  }
  return fs::path(base).replace_extension("png").string();
}

bool ImageTool::ExportPng(size_t index, const fs::path& path) const {
  const Bitmap& frame = entries[index]->DisplayFrame();
  if (frame.bpp != 32 || !frame.pixels) return false;
  bool anyAlpha = false;
  for (int32_t y = 0; y < frame.height && !anyAlpha; ++y) {
    const uint8_t* row = frame.pixels + static_cast<size_t>(frame.stride) * y;
    for (int32_t x = 0; x < frame.width; ++x) {
      if (row[4 * x + 3] != 0) {
        anyAlpha = true;
        break;
      }
    }
  }
  if (anyAlpha) return frame.SavePng(path);
  // A frame with no alpha at all (a version-1 entry) would come out fully
  // transparent: the PNG gets it opaque instead.
  Bitmap opaque(frame);
  for (int32_t y = 0; y < opaque.height; ++y) {
    uint8_t* row = opaque.pixels + static_cast<size_t>(opaque.stride) * y;
    for (int32_t x = 0; x < opaque.width; ++x) row[4 * x + 3] = 0xFF;
  }
  return opaque.SavePng(path);
}

void ImageTool::OnSave() {
  if (!Selected()) return;
  FileRequester requester;
  requester.AddFilter("PNG (*.png)", "*.png");
  requester.SetDefaultExtension("png");
  requester.file = SuggestedName(current);
  if (requester.Save(dialog, "Save Image", true)) {
    if (!ExportPng(current, requester.GetPath())) ShowError("Couldn't save image!");
  }
  PostRefresh(0);
}

void ImageTool::OnSaveAll() {
  if (!folderRequester.PickFolder(dialog)) return;
  const fs::path folder = folderRequester.GetPath();
  int failed = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!ExportPng(i, folder / SuggestedName(i))) ++failed;
  }
  if (failed > 0) {
    ShowError("Couldn't save " + std::to_string(failed) + " of " + std::to_string(entries.size()) + " images!");
  }
}

void ImageTool::OnLoadSet(bool append) {
  FileRequester requester;
  requester.AddFilter("Image Sets (*.img)", "*.img");
  requester.SetDefaultExtension("img");
  if (!requester.Open(dialog, append ? "Append ImageSet" : "Load ImageSet")) return;
  if (!LoadImageSetEntries(requester.GetPath(), append)) ShowError("Can't open file.");
}

std::vector<size_t> ImageTool::EntriesWithoutPicture() const {
  std::vector<size_t> out;
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i]->Empty()) out.push_back(i);
  return out;
}

void ImageTool::OnSaveSet() {
  // No reader opens a set with an image of no pixels: such entries are named
  // and nothing is asked or written.
  const std::vector<size_t> missing = EntriesWithoutPicture();
  if (!missing.empty()) {
    std::string text = "These images have no picture, so the set could not be opened again:\n";
    constexpr size_t kListed = 20;
    for (size_t k = 0; k < missing.size() && k < kListed; ++k) text += ListLine(missing[k]) + "\n";
    if (missing.size() > kListed) text += "and " + std::to_string(missing.size() - kListed) + " more\n";
    text += "Replace or remove them, then save the set.";
    ShowError(text);
    return;
  }
  if (!setRequester.Save(dialog, "Save ImageSet", true)) return;
  fs::path path = setRequester.GetPath();
  if (!path.has_extension()) path.replace_extension("img");
  plat::WriteFailure failure;
  if (SaveImageSetEntries(path, &failure)) return;
  // A file that was made but not written whole says so; the old set stays.
  if (failure.created) {
    ShowError(std::string("Couldn't save image set: ") + std::strerror(failure.error) + "!");
  } else {
    ShowError("Can't open file.");
  }
}

void ImageTool::OnClearSet() {
  if (plat::ShowMessageBox(nullptr, "Really clear all images?", "Confirm", plat::kMbOkCancel) != plat::kIdOk) return;
  entries.clear();
  std::memset(globalPalette, 0, sizeof(globalPalette));
  current = 0;
  PostRefresh(0);
}

void ImageTool::OnClose() {
  if (dialog) registry.SaveWindow(dialog, "MainDlgWnd", false, false);
  if (preview) preview->Destroy();
  preview = nullptr;
  if (dialog) dialog->End(0);
}

// ------------------------------------------------------------ start

int ImageTool::Run() {
  title = "Sheetwright";
  if (fontMode) title += " (Font) ";
  plat::Window* window = CreatePreviewWindow();
  if (window) window->Show(false);
  plat::DialogSystem* dialogs = plat::GetDialogSystem();
  if (!dialogs) return 1;
  dialogs->RunModal(MainDialogDesc(), nullptr);
  if (preview) preview->Destroy();
  preview = nullptr;
  return 0;
}

int SheetwrightMain(const std::vector<std::string>& args) {
  ImageTool tool;
  tool.ParseCommandLine(args);
  return tool.Run();
}
