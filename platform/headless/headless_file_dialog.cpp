#include "platform/headless/headless_file_dialog.h"

#include <boost/filesystem/operations.hpp>

namespace plat::headless {

namespace fs = boost::filesystem;

HeadlessFileDialogs::HeadlessFileDialogs() { SetFileDialogBackend(this); }

HeadlessFileDialogs::~HeadlessFileDialogs() {
  if (GetFileDialogBackend() == this) SetFileDialogBackend(nullptr);
}

void HeadlessFileDialogs::QueueChoose(const fs::path& path, int32_t filterIndex, bool overwrite) {
  FileAnswer a;
  a.paths.push_back(path);
  a.filterIndex = filterIndex;
  a.overwrite = overwrite;
  answers_.push_back(a);
}

void HeadlessFileDialogs::QueueChooseMany(const std::vector<fs::path>& paths) {
  FileAnswer a;
  a.paths = paths;
  answers_.push_back(a);
}

void HeadlessFileDialogs::QueueCancel() {
  FileAnswer a;
  a.cancel = true;
  answers_.push_back(a);
}

FileDialogResult HeadlessFileDialogs::Run(const FileDialogRequest& request) {
  requests_.push_back(request);
  while (!answers_.empty()) {
    FileAnswer a = answers_.front();
    answers_.pop_front();
    if (a.cancel || a.paths.empty()) return {};
    if (request.kind != FileDialogKind::kOpenMany) a.paths.resize(1);
    bool refused = false;
    for (fs::path& p : a.paths) {
      boost::system::error_code ec;
      if (request.kind == FileDialogKind::kPickFolder) {
        if (!fs::is_directory(p, ec)) refused = true;
        continue;
      }
      if (!request.defaultExtension.empty() && !p.filename().has_extension()) {
        p += "." + request.defaultExtension;
      }
      const bool exists = fs::exists(p, ec);
      if ((request.fileMustExist || request.kind == FileDialogKind::kOpenMany) && !exists) refused = true;
      if (request.pathMustExist && p.has_parent_path() && !fs::is_directory(p.parent_path(), ec)) refused = true;
      if (request.kind == FileDialogKind::kSave && request.overwritePrompt && exists && !refused) {
        questions_.push_back(p);
        if (!a.overwrite) refused = true;
      }
    }
    if (refused) {
      ++refused_;
      continue;
    }
    FileDialogResult r;
    r.chosen = true;
    r.paths = a.paths;
    const int32_t count = static_cast<int32_t>(request.filters.size());
    r.filterIndex = a.filterIndex > 0 ? a.filterIndex : request.filterIndex;
    if (r.filterIndex < 1 || r.filterIndex > count) r.filterIndex = count > 0 ? 1 : 0;
    return r;
  }
  return {};
}

}  // namespace plat::headless
