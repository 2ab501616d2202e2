#pragma once
// The file requester: the dialogs that let the user choose files to open,
// several files, a name to save under, or a folder.
//
// Filter names and titles are Windows-1252 text; patterns are Windows-style
// ("*.bmp;*.png", "*.*" for every file, matched without regard to case);
// paths are native (UTF-8).
#include <boost/filesystem/path.hpp>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/window_placement.h"

namespace plat {

struct FileFilter {
  std::string name;     // shown to the user
  std::string pattern;  // patterns separated by ';'
};

enum class FileDialogKind {
  kOpen,        // one existing file (or any name, without fileMustExist)
  kOpenMany,    // one or more existing files
  kSave,        // a name to save under
  kPickFolder,  // an existing folder
};

struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::kOpen;
  WindowPlacement* owner = nullptr;  // the window or dialog it belongs to; null: none
  std::string title;                 // empty: the dialog's own title
  std::vector<FileFilter> filters;   // in the order shown
  int32_t filterIndex = 1;           // the preselected filter, from 1
  // Added (after a dot) to a name chosen without an extension; empty: none.
  std::string defaultExtension;
  boost::filesystem::path initialName;    // a name, or a path whose folder is the initial folder
  boost::filesystem::path initialFolder;  // empty: the dialog's choice
  bool fileMustExist = false;             // open: only existing files
  bool pathMustExist = true;              // the folder of the name must exist
  bool overwritePrompt = false;           // save: ask before choosing an existing file
};

struct FileDialogResult {
  bool chosen = false;                         // false: cancelled or failed
  std::vector<boost::filesystem::path> paths;  // what was chosen, in order
  int32_t filterIndex = 0;                     // the filter in use when the dialog closed, from 1
};

// The back end that shows the dialogs.
class FileDialogBackend {
 public:
  virtual ~FileDialogBackend() = default;
  virtual FileDialogResult Run(const FileDialogRequest& request) = 0;
};

// Null restores the default, which cancels every dialog.
void SetFileDialogBackend(FileDialogBackend* backend);
FileDialogBackend* GetFileDialogBackend();

// Shows the dialog through the installed back end.
FileDialogResult RunFileDialog(const FileDialogRequest& request);

// Whether a file name matches one of the Windows-style patterns of a
// filter ("*.*" matches every name, also one without a dot; case is ignored).
bool FileNameMatches(const std::string& fileName, const std::string& patterns);

}  // namespace plat
