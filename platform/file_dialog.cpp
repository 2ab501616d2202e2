#include "platform/file_dialog.h"

#include <cctype>

namespace plat {

namespace {

FileDialogBackend* g_backend = nullptr;

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// '*' and '?' wildcards, case ignored.
bool Wildcard(const char* p, const char* pe, const char* s, const char* se) {
  while (p < pe) {
    if (*p == '*') {
      ++p;
      for (const char* t = s;; ++t) {
        if (Wildcard(p, pe, t, se)) return true;
        if (t == se) return false;
      }
    }
    if (s == se) return false;
    if (*p != '?' && Lower(*p) != Lower(*s)) return false;
    ++p;
    ++s;
  }
  return s == se;
}

}  // namespace

void SetFileDialogBackend(FileDialogBackend* backend) { g_backend = backend; }
FileDialogBackend* GetFileDialogBackend() { return g_backend; }

FileDialogResult RunFileDialog(const FileDialogRequest& request) {
  if (!g_backend) return {};
  return g_backend->Run(request);
}

bool FileNameMatches(const std::string& fileName, const std::string& patterns) {
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t end = patterns.find(';', start);
    if (end == std::string::npos) end = patterns.size();
    std::string p = patterns.substr(start, end - start);
    while (!p.empty() && p.front() == ' ') p.erase(p.begin());
    while (!p.empty() && p.back() == ' ') p.pop_back();
    if (p == "*.*" || p == "*") return true;
    if (!p.empty() && Wildcard(p.data(), p.data() + p.size(), fileName.data(), fileName.data() + fileName.size())) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

}  // namespace plat
