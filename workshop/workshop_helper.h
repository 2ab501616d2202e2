#pragma once
// The Workshop upload helper: one dialog in which the author picks a
// prepared item folder and a preview picture, types a title and a
// description, and uploads the folder as a new or updated Workshop item.
// The item's id is kept in the folder's "steamid.txt"; every result of the
// community layer lands in the dialog's log box.
//
// Results of the community service arrive only inside the one-second timer
// of the dialog (CommunityManager::Update); every change they cause reaches
// the controls through the refresh message.
#include <cstdint>
#include <memory>
#include <string>

#include <boost/filesystem/path.hpp>

#include "community/app_id.h"
#include "community/community_manager_steam.h"
#include "community/workshop_item.h"
#include "core/registry_settings.h"
#include "imagetool/file_requester.h"
#include "platform/dialog.h"
#include "platform/steam/steam.h"

namespace workshop {

// Dialog and control ids.
enum : int32_t {
  kDialogId = 129,
  kIdFolder = 1000,
  kIdSelectFolder = 1001,
  kIdUpload = 1002,
  kIdLog = 1003,
  kIdItemId = 1004,
  kIdTitle = 1005,
  kIdDescription = 1006,
  kIdItemPage = 1007,
  kIdPreview = 1008,
  kIdSelectPreview = 1009,
};

// The private message that brings the controls in step with the state
// (posted with wParam 0, lParam 1).
constexpr uint32_t kMsgRefresh = 2024;
// The timer that runs the community callbacks once a second.
constexpr uint32_t kTimerId = 1;
constexpr uint32_t kTimerPeriodMs = 1000;

// Host of the item page address. The items live in the local community
// service, which has no web pages and whose ids mean nothing to any public
// site; the reserved ".invalid" name can never resolve, so opening the
// address never shows someone else's item or sends the id to a stranger.
inline constexpr char kItemPageHost[] = "community.vantrel.invalid";

// Registry value prefix of the dialog's position.
inline constexpr char kPlacementName[] = "MainDlgWnd";

}  // namespace workshop

// The item page address for a published id.
std::string FormatItemPageUrl(uint64_t publishedFileId);
// The progress count as the log shows it ("%d").
std::string FormatProgressCount(int32_t progressCount);
// A path as the program's narrow (Windows-1252) text; characters that
// Windows-1252 cannot hold are dropped.
std::string WideToNarrow(const boost::filesystem::path& path);

class WorkshopHelper {
 public:
  // The helper works through manager (not owned), which must outlive it.
  explicit WorkshopHelper(CommunityManagerSteam* manager);
  ~WorkshopHelper();
  WorkshopHelper(const WorkshopHelper&) = delete;
  WorkshopHelper& operator=(const WorkshopHelper&) = delete;

  // The dialog's control table, bound to this helper's MainDlgProc.
  plat::DialogDesc DialogDescription();
  // Runs the dialog modally until it closes; returns 1.
  int32_t Run();

  intptr_t MainDlgProc(plat::Dialog* dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);

  // Appends text and a line end to the log, and shows the log's end.
  void LogAppend(const std::string& text);
  void BeginUpload();
  void EndUpload();

  void HandleDetailsDownloaded(const plat::steam::UgcDetailsResult* result);
  void HandleItemCreated(const plat::steam::CreateItemResult* result);
  void HandleItemSubmitted(const plat::steam::SubmitItemUpdateResult* result);

  // What the tests look at.
  const WorkshopItem& CurrentItem() const { return item; }
  const std::string& LogText() const { return logText; }
  bool IsUploading() const { return uploading; }
  int32_t ProgressCount() const { return progressCount; }
  plat::Dialog* DialogWindow() const { return dialog; }

 private:
  void PostRefresh();
  void Refresh();
  void SelectFolder();
  void SelectPreview();
  void Upload();
  void CancelUpload();
  void OpenItemPage();
  void OnTimer();
  void Close();

  CommunityManagerSteam* manager;
  WorkshopItem item;
  // The last details that arrived for the current item.
  plat::steam::UgcDetails details;
  std::string logText;
  bool uploading = false;
  int32_t progressCount = 0;
  // Inside the timer's Update (completion handlers run there).
  bool ticking = false;
  plat::Dialog* dialog = nullptr;
  RegistrySettings settings;
  FileRequester folderRequester;
  FileRequester previewRequester;
};

// WorkshopHelperMain's result when the community manager could not be made
// (the reason was shown in an "Error" message box; no dialog ran).
inline constexpr int32_t kWorkshopHelperStartFailed = -1;

// The program: makes the community manager for the game's application id,
// sends its reports to the helper's log and runs the dialog. Returns 1, or
// kWorkshopHelperStartFailed.
int32_t WorkshopHelperMain();
