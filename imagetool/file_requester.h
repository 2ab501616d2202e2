#pragma once
// The tools' file requester: one object per kind of file a tool opens or
// saves, keeping its filter list, default extension and the last chosen
// path, over the platform's file dialogs.
#include <boost/filesystem/path.hpp>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/window_placement.h"

// Dialog flags of a FileDialogRecord.
enum : uint32_t {
  kOfnOverwritePrompt = 0x00000002,
  kOfnHideReadOnly = 0x00000004,
  kOfnNoChangeDir = 0x00000008,
  kOfnPathMustExist = 0x00000800,
  kOfnFileMustExist = 0x00001000,
  kOfnExplorer = 0x00080000,
};

// Most characters of a chosen path, and of the filter text.
constexpr int32_t kFileBufferChars = 260;
constexpr int32_t kFilterChars = 1000;

// What one run of the open or save dialog is given, and what it fills in.
struct FileDialogRecord {
  plat::WindowPlacement* owner = nullptr;
  // Name NUL pattern NUL pairs, ended by a second NUL (Windows-1252).
  const char* filter = nullptr;
  // The preselected filter, from 1; the dialog leaves the one in use.
  int32_t filterIndex = 0;
  // In: the initial name (or path); out: the chosen path. A path of
  // maxFile characters or more does not fit: the dialog then fails.
  boost::filesystem::path* file = nullptr;
  int32_t maxFile = 0;
  boost::filesystem::path* fileTitle = nullptr;  // out: the chosen file's name
  int32_t maxFileTitle = 0;
  boost::filesystem::path initialFolder;  // empty: the dialog's choice
  std::string title;                      // empty: the dialog's own
  uint32_t flags = 0;
  std::string defaultExtension;  // added to a name typed without one
};

// The open and save dialogs on a record: true when the user chose a file.
bool ShowOpenDialog(FileDialogRecord* record);
bool ShowSaveDialog(FileDialogRecord* record);

class FileRequester {
 public:
  FileRequester();
  ~FileRequester();
  FileRequester(const FileRequester&) = delete;
  FileRequester& operator=(const FileRequester&) = delete;

  // Appends a filter (Windows-1252 name, ';'-separated patterns) and makes
  // it the preselected one. False, with nothing changed, when the filter
  // text would not fit.
  bool AddFilter(const std::string& name, const std::string& pattern);
  // Stores the extension (without dot) the dialogs add to a name typed
  // without one.
  bool SetDefaultExtension(const std::string& extension);
  // The open dialog for one existing file; the path is then in `file`.
  bool Open(plat::WindowPlacement* owner, const std::string& title);
  // The save dialog, with the overwrite question when asked.
  bool Save(plat::WindowPlacement* owner, const std::string& title, bool overwritePrompt);
  // Several existing files; empty when nothing was chosen.
  std::vector<boost::filesystem::path> OpenMany(plat::WindowPlacement* owner, const std::string& title);
  // A folder; its path is then in `file`. Cancelled, failed, or a path that
  // does not fit: false with `file` as it was.
  bool PickFolder(plat::WindowPlacement* owner, const std::string& title = std::string());
  boost::filesystem::path GetPath() const { return file; }

  FileDialogRecord ofn;
  char filter[kFilterChars] = {};
  boost::filesystem::path file;
  boost::filesystem::path fileTitle;
  std::string defaultExtension;
  std::vector<std::pair<std::string, std::string>> filters;
  int32_t total = 0;
  int32_t count = 0;
  uint32_t flags = kOfnExplorer | kOfnPathMustExist | kOfnNoChangeDir | kOfnHideReadOnly;
};
