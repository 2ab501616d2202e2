#include "workshop/workshop_helper.h"

#include <boost/filesystem/operations.hpp>
#include <cstring>
#include <exception>

#include "core/log.h"
#include "platform/cp1252.h"
#include "platform/message_box.h"
#include "platform/shell.h"

namespace fs = boost::filesystem;
namespace steam = plat::steam;
using namespace workshop;

namespace {

constexpr char kDialogTitle[] = "Vantrel - Steam Workshop Helper";
constexpr char kItemPagePath[] = "/sharedfiles/filedetails/?id=%llu";
constexpr char kLegalAgreementText[] =
    "You need to accept the Legal Agreement on the workshop page to make this mode public.";

// The item texts the service keeps (bytes); the edits take no more, and
// what is read back from them is cut to the same length.
constexpr int32_t kTitleLimit = static_cast<int32_t>(steam::kMaxTitleLength);
constexpr int32_t kDescriptionLimit = static_cast<int32_t>(steam::kMaxDescriptionLength);

std::string Truncated(std::string text, size_t limit) {
  if (text.size() > limit) text.resize(limit);
  return text;
}

// The last element of a folder path, also when the path ends in a separator.
fs::path LastElement(const fs::path& folder) {
  fs::path name = folder.filename();
  if (name == "." || name == "/") name = folder.parent_path().filename();
  return name;
}

}  // namespace

std::string FormatItemPageUrl(uint64_t publishedFileId) {
  return std::string("https://") + kItemPageHost +
         FormatString(kItemPagePath, static_cast<unsigned long long>(publishedFileId));
}

std::string FormatProgressCount(int32_t progressCount) { return FormatString("%d", progressCount); }

std::string WideToNarrow(const fs::path& path) { return plat::Utf8ToCp1252Text(path.string()); }

WorkshopHelper::WorkshopHelper(CommunityManagerSteam* manager)
    : manager(manager), settings("Quillmark", "Vantrel Workshop Helper", 0) {
  previewRequester.AddFilter("Images", "*.bmp;*.jpg;*.png");
}

WorkshopHelper::~WorkshopHelper() = default;

plat::DialogDesc WorkshopHelper::DialogDescription() {
  using plat::ControlKind;
  constexpr int32_t none = plat::kNoControlId;
  constexpr uint32_t readOnlyRight = plat::kCtlReadOnly | plat::kCtlRightAlign;
  constexpr uint32_t multiLine = plat::kCtlMultiLine | plat::kCtlVScroll;
  plat::DialogDesc desc;
  desc.title = kDialogTitle;
  desc.width = 317;
  desc.height = 206;
  desc.controls = {
      {none, ControlKind::kLabel, "Workshop Item Folder", {9, 10, 76, 10}},
      {kIdFolder, ControlKind::kEdit, "", {7, 20, 227, 14}, readOnlyRight},
      {kIdSelectFolder, ControlKind::kButton, "Select", {238, 20, 72, 16}},
      {none, ControlKind::kGroupBox, "Workshop Item Details", {14, 42, 296, 107}},
      {none, ControlKind::kLabel, "ID:", {18, 58, 35, 11}},
      {kIdItemId, ControlKind::kEdit, "", {72, 56, 145, 14}, plat::kCtlReadOnly},
      {kIdItemPage, ControlKind::kButton, "Goto Item page", {221, 55, 82, 16}},
      {none, ControlKind::kLabel, "Title:", {19, 77, 35, 11}},
      {kIdTitle, ControlKind::kEdit, "", {71, 73, 231, 14}, 0, kTitleLimit},
      {none, ControlKind::kLabel, "Description:", {18, 93, 44, 11}},
      {kIdDescription, ControlKind::kEdit, "", {70, 91, 232, 34}, multiLine, kDescriptionLimit},
      {none, ControlKind::kLabel, "Preview Image:", {16, 132, 52, 11}},
      {kIdPreview, ControlKind::kEdit, "", {69, 129, 155, 14}, readOnlyRight},
      {kIdSelectPreview, ControlKind::kButton, "Select", {230, 128, 72, 16}},
      {kIdLog, ControlKind::kEdit, "", {7, 155, 223, 44}, plat::kCtlReadOnly | multiLine},
      {kIdUpload, ControlKind::kDefaultButton, "Upload", {238, 155, 72, 44}, plat::kCtlDefault},
  };
  desc.proc = [this](plat::Dialog* d, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return MainDlgProc(d, message, wParam, lParam);
  };
  return desc;
}

int32_t WorkshopHelper::Run() {
  plat::DialogSystem* system = plat::GetDialogSystem();
  if (system) system->RunModal(DialogDescription(), nullptr);
  dialog = nullptr;
  return 1;
}

void WorkshopHelper::LogAppend(const std::string& text) {
  logText += text;
  logText += "\r\n";
  if (dialog) {
    dialog->SetText(kIdLog, logText);
    dialog->ScrollToEnd(kIdLog);
  }
}

void WorkshopHelper::BeginUpload() {
  uploading = true;
  progressCount = 0;
  if (dialog) {
    dialog->SetText(kIdUpload, "Cancel");
    dialog->Enable(kIdSelectFolder, false);
    dialog->Enable(kIdSelectPreview, false);
  }
}

void WorkshopHelper::EndUpload() {
  uploading = false;
  progressCount = 0;
  PostRefresh();
}

void WorkshopHelper::PostRefresh() {
  if (dialog) dialog->PostMessage(kMsgRefresh, 0, 1);
}

void WorkshopHelper::Refresh() {
  if (!dialog) return;
  dialog->Enable(kIdSelectFolder, !uploading);
  dialog->SetText(kIdFolder, WideToNarrow(item.folder));
  dialog->SetText(kIdUpload, uploading ? "Cancel" : "Upload");
  dialog->Enable(kIdUpload, !item.folder.empty());
  // The whole 64-bit id: created items have ids beyond 32 bits.
  dialog->SetText(kIdItemId, FormatString("%llu", static_cast<unsigned long long>(item.publishedFileId)));
  dialog->Enable(kIdItemPage, item.publishedFileId != 0);
  dialog->SetText(kIdTitle, item.title);
  dialog->SetText(kIdDescription, item.description);
  dialog->SetText(kIdPreview, WideToNarrow(item.previewPath));
  dialog->Enable(kIdSelectPreview, !uploading);
}

intptr_t WorkshopHelper::MainDlgProc(plat::Dialog* d, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  (void)lParam;
  switch (message) {
    case plat::kMsgInitDialog:
      settings.RestoreWindow(d, kPlacementName, false, false);
      d->SetTimer(kTimerId, kTimerPeriodMs);
      dialog = d;
      PostRefresh();
      return 1;
    case plat::kMsgClose:
      if (d != dialog) return 0;
      Close();
      return 1;
    case plat::kMsgTimer:
      if (wParam != kTimerId) return 0;
      OnTimer();
      return 1;
    case kMsgRefresh: Refresh(); return 1;
    case plat::kMsgCommand:
      if (plat::HighWord(wParam) == plat::kNotifyEditChange) {
        // What the author types is kept at once, so a refresh (a preview
        // chosen, an upload ended) shows it again instead of older text.
        const int32_t id = static_cast<int32_t>(plat::LowWord(wParam));
        if (id == kIdTitle) {
          item.title = Truncated(d->GetText(kIdTitle), steam::kMaxTitleLength);
        } else if (id == kIdDescription) {
          item.description = Truncated(d->GetText(kIdDescription), steam::kMaxDescriptionLength);
        } else {
          return 0;
        }
        return 1;
      }
      if (plat::HighWord(wParam) != plat::kNotifyClicked) return 0;
      switch (static_cast<int32_t>(plat::LowWord(wParam))) {
        case kIdSelectFolder: SelectFolder(); return 1;
        case kIdSelectPreview: SelectPreview(); return 1;
        case kIdUpload:
          if (uploading) {
            CancelUpload();
          } else {
            Upload();
          }
          return 1;
        case kIdItemPage: OpenItemPage(); return 1;
        default: return 0;
      }
    default: return 0;
  }
}

void WorkshopHelper::Close() {
  settings.SaveWindow(dialog, kPlacementName, false, false);
  plat::Dialog* closing = dialog;
  closing->KillTimer(kTimerId);
  dialog = nullptr;
  closing->End(0);
}

void WorkshopHelper::OnTimer() {
  // A message box shown by a completion handler runs its own message loop,
  // in which this timer goes on firing. Such a tick would find no call
  // pending (the finished one is gone, the next not yet made) and end the
  // upload early; it waits for the tick that is running instead.
  if (ticking) return;
  ticking = true;
  manager->Update(1000.0f);
  ticking = false;
  if (!uploading) return;
  if (manager->IsCreatingItem() || manager->IsSubmittingItem()) {
    progressCount += 1;
    LogAppend(FormatProgressCount(progressCount));
  } else {
    EndUpload();
  }
}

void WorkshopHelper::SelectFolder() {
  if (!folderRequester.PickFolder(dialog, "Select Workshop Item Folder")) return;
  item.folder = folderRequester.GetPath();
  item.publishedFileId = manager->LoadWorkshopId(item.folder);
  // The preview is the folder's own in both cases, so an upload never sends
  // another folder's picture; the details of a known item carry none to
  // replace it.
  item.previewPath = item.folder / "preview.png";
  if (item.publishedFileId != 0) {
    LogAppend(FormatString("'steamid.txt' found. Downloading details for item %llu ...",
                           static_cast<unsigned long long>(item.publishedFileId)));
    // The texts shown until the details arrive would otherwise be another
    // folder's, and an upload meanwhile would put them on this item: empty
    // texts are not sent, so the item keeps its own.
    item.title.clear();
    item.description.clear();
    manager->RequestItemDetails(item.publishedFileId,
                                [this](const steam::UgcDetailsResult* result) { HandleDetailsDownloaded(result); });
  } else {
    item.description.clear();
    item.title = Truncated(WideToNarrow(LastElement(item.folder)), steam::kMaxTitleLength);
  }
  PostRefresh();
}

void WorkshopHelper::SelectPreview() {
  if (!previewRequester.Open(dialog, "Select Preview Image")) return;
  item.previewPath = previewRequester.GetPath();
  PostRefresh();
}

void WorkshopHelper::Upload() {
  boost::system::error_code error;
  if (item.folder.empty() || !fs::is_directory(item.folder, error)) {
    plat::ShowMessageBox(nullptr, "Workshop path not found.", "Error", plat::kMbOk);
    return;
  }
  if (item.publishedFileId == 0) item.publishedFileId = manager->LoadWorkshopId(item.folder);
  item.title = Truncated(dialog->GetText(kIdTitle), steam::kMaxTitleLength);
  item.description = Truncated(dialog->GetText(kIdDescription), steam::kMaxDescriptionLength);
  BeginUpload();
  if (item.publishedFileId != 0) {
    manager->SubmitWorkshopItem(item,
                                [this](const steam::SubmitItemUpdateResult* result) { HandleItemSubmitted(result); });
  } else {
    manager->CreateWorkshopItem([this](const steam::CreateItemResult* result) { HandleItemCreated(result); });
  }
}

void WorkshopHelper::CancelUpload() {
  // The service may still finish what was asked; the manager says so in
  // the log.
  manager->CancelWorkshopCalls();
  EndUpload();
}

void WorkshopHelper::OpenItemPage() {
  if (item.publishedFileId == 0) return;
  plat::OpenUrl(FormatItemPageUrl(item.publishedFileId));
}

void WorkshopHelper::HandleDetailsDownloaded(const steam::UgcDetailsResult* result) {
  if (!result || result->details.result != steam::kResultOk) return;
  if (result->details.publishedFileId != item.publishedFileId) return;
  details = result->details;
  details.title[sizeof details.title - 1] = '\0';
  details.description[sizeof details.description - 1] = '\0';
  item.title = details.title;
  item.description = details.description;
  LogAppend("Workshop item details downloaded successfully.");
  PostRefresh();
}

void WorkshopHelper::HandleItemCreated(const steam::CreateItemResult* result) {
  if (!result) return;
  if (result->userNeedsToAcceptLegalAgreement) {
    plat::ShowMessageBox(nullptr, kLegalAgreementText, "Warning", plat::kMbOk);
  }
  if (result->result == steam::kResultOk) {
    item.publishedFileId = result->publishedFileId;
    PostRefresh();
    manager->SaveWorkshopId(item.folder, item.publishedFileId);
    // The upload ends when the timer finds no call pending.
    manager->SubmitWorkshopItem(item, CommunityManagerSteam::SubmitHandler());
  } else {
    uploading = false;
    progressCount = 0;
    PostRefresh();
  }
}

void WorkshopHelper::HandleItemSubmitted(const steam::SubmitItemUpdateResult* result) {
  (void)result;
  uploading = false;
  progressCount = 0;
  PostRefresh();
}

int32_t WorkshopHelperMain() {
  std::unique_ptr<CommunityManagerSteam> manager;
  try {
    manager = std::make_unique<CommunityManagerSteam>(kVantrelAppId);
  } catch (const std::exception& error) {
    // The service started without a user: say why instead of ending the
    // process on an uncaught exception.
    plat::ShowMessageBox(nullptr, error.what(), "Error", plat::kMbOk);
    return kWorkshopHelperStartFailed;
  }
  WorkshopHelper helper(manager.get());
  manager->SetMessageCallback([&helper](const char* text) { helper.LogAppend(text ? text : ""); });
  const int32_t result = helper.Run();
  // Reports made while the manager goes must not reach the helper.
  manager->SetMessageCallback(CommunityManager::MessageCallback());
  return result;
}
