#include "imagetool/file_requester.h"

#include <cstring>

#include "platform/file_dialog.h"

namespace fs = boost::filesystem;

namespace {

// Characters of a native (UTF-8) path: continuation bytes do not count.
int32_t PathChars(const fs::path& path) {
  int32_t n = 0;
  for (unsigned char c : path.native()) {
    if ((c & 0xC0) != 0x80) ++n;
  }
  return n;
}

std::vector<plat::FileFilter> ParseFilter(const char* text) {
  std::vector<plat::FileFilter> out;
  if (!text) return out;
  const char* p = text;
  while (*p) {
    plat::FileFilter f;
    f.name = p;
    p += f.name.size() + 1;
    if (!*p) break;  // a name without a pattern ends the list
    f.pattern = p;
    p += f.pattern.size() + 1;
    out.push_back(std::move(f));
  }
  return out;
}

bool RunRecord(FileDialogRecord* r, plat::FileDialogKind kind) {
  if (!r || !r->file) return false;
  plat::FileDialogRequest q;
  q.kind = kind;
  q.owner = r->owner;
  q.title = r->title;
  q.filters = ParseFilter(r->filter);
  q.filterIndex = r->filterIndex;
  q.defaultExtension = r->defaultExtension;
  q.initialName = *r->file;
  q.initialFolder = r->initialFolder;
  q.fileMustExist = (r->flags & kOfnFileMustExist) != 0;
  q.pathMustExist = (r->flags & (kOfnPathMustExist | kOfnFileMustExist)) != 0;
  q.overwritePrompt = kind == plat::FileDialogKind::kSave && (r->flags & kOfnOverwritePrompt);
  plat::FileDialogResult result = plat::RunFileDialog(q);
  if (!result.chosen || result.paths.empty()) return false;
  const fs::path& chosen = result.paths.front();
  if (PathChars(chosen) >= r->maxFile) return false;
  *r->file = chosen;
  if (r->fileTitle) {
    fs::path name = chosen.filename();
    *r->fileTitle = PathChars(name) < r->maxFileTitle ? name : fs::path();
  }
  if (result.filterIndex > 0) r->filterIndex = result.filterIndex;
  return true;
}

}  // namespace

bool ShowOpenDialog(FileDialogRecord* record) { return RunRecord(record, plat::FileDialogKind::kOpen); }
bool ShowSaveDialog(FileDialogRecord* record) { return RunRecord(record, plat::FileDialogKind::kSave); }

FileRequester::FileRequester() {
  ofn.filter = filter;
  ofn.file = &file;
  ofn.maxFile = kFileBufferChars;
  ofn.fileTitle = &fileTitle;
  ofn.maxFileTitle = kFileBufferChars;
  AddFilter("All Files (*.*)", "*.*");
}

FileRequester::~FileRequester() = default;

bool FileRequester::AddFilter(const std::string& name, const std::string& pattern) {
  // A NUL inside either text would split the pair.
  if (name.find('\0') != std::string::npos || pattern.find('\0') != std::string::npos) return false;
  const int64_t need = static_cast<int64_t>(total) + static_cast<int64_t>(name.size()) + 1 +
                       static_cast<int64_t>(pattern.size()) + 1 + 1;
  if (need > kFilterChars) return false;
  std::memcpy(filter + total, name.c_str(), name.size() + 1);
  total += static_cast<int32_t>(name.size()) + 1;
  std::memcpy(filter + total, pattern.c_str(), pattern.size() + 1);
  total += static_cast<int32_t>(pattern.size()) + 1;
  filter[total] = '\0';
  ++count;
  ofn.filterIndex = count;
  filters.emplace_back(name, pattern);
  return true;
}

bool FileRequester::SetDefaultExtension(const std::string& extension) {
  defaultExtension = extension;
  return true;
}

bool FileRequester::Open(plat::WindowPlacement* owner, const std::string& title) {
  ofn.title = title;
  ofn.defaultExtension = defaultExtension;
  ofn.flags = flags | kOfnFileMustExist;
  ofn.owner = owner;
  return ShowOpenDialog(&ofn);
}

bool FileRequester::Save(plat::WindowPlacement* owner, const std::string& title, bool overwritePrompt) {
  ofn.title = title;
  // The dialog must know the extension the caller will add, or its
  // overwrite question would be asked about another name than the one
  // written.
  ofn.defaultExtension = defaultExtension;
  ofn.flags = flags | (overwritePrompt ? kOfnOverwritePrompt : 0u);
  ofn.owner = owner;
  return ShowSaveDialog(&ofn);
}

std::vector<fs::path> FileRequester::OpenMany(plat::WindowPlacement* owner, const std::string& title) {
  plat::FileDialogRequest q;
  q.kind = plat::FileDialogKind::kOpenMany;
  q.owner = owner;
  q.title = title;
  for (const auto& f : filters) q.filters.push_back({f.first, f.second});
  q.filterIndex = static_cast<int32_t>(filters.size());
  q.fileMustExist = true;
  plat::FileDialogResult result = plat::RunFileDialog(q);
  if (!result.chosen) return {};
  return result.paths;
}

bool FileRequester::PickFolder(plat::WindowPlacement* owner, const std::string& title) {
  plat::FileDialogRequest q;
  q.kind = plat::FileDialogKind::kPickFolder;
  q.owner = owner;
  q.title = title;
  plat::FileDialogResult result = plat::RunFileDialog(q);
  if (!result.chosen || result.paths.empty()) return false;
  if (PathChars(result.paths.front()) >= kFileBufferChars) return false;
  file = result.paths.front();
  return true;
}
