#include "core/linklist.h"

#include <new>
#include <string>
#include <vector>

#include "platform/files.h"

Linklist<CStr>::Linklist() = default;

Linklist<CStr>::Linklist(const char* pattern) { FillFromDirectory(pattern, false, nullptr); }

Linklist<CStr>::~Linklist() {
  delete item;
  item = nullptr;
}

Linklist<CStr>* Linklist<CStr>::Append(CStr* newItem) {
  Linklist* last = this;
  while (last->next) last = last->next;
  Linklist* node = new (std::nothrow) Linklist(NodeTag{}, newItem);
  if (!node) {
    delete newItem;
    return nullptr;
  }
  last->next = node;
  node->prev = last;
  return node;
}

const char* Linklist<CStr>::Get(int n) const {
  if (n < 0 || n >= count) return nullptr;
  const Linklist* node = next;
  for (int i = 0; node && i < n; ++i) node = node->next;
  if (!node) return nullptr;
  return node->item ? node->item->Text() : "";
}

void Linklist<CStr>::DeleteNodes() {
  // Each node is cut out of the chain before it is deleted, so deleting it
  // takes nothing else with it.
  while (Linklist* node = next) {
    next = node->next;
    if (next) next->prev = this;
    node->prev = nullptr;
    node->next = nullptr;
    delete node;
  }
  while (Linklist* node = prev) {
    prev = node->prev;
    if (prev) prev->next = this;
    node->prev = nullptr;
    node->next = nullptr;
    delete node;
  }
}

bool Linklist<CStr>::Reset() {
  count = 0;
  DeleteNodes();
  return true;
}

void Linklist<CStr>::Clear() {
  count = 0;
  DeleteNodes();
  delete item;
  item = nullptr;
}

int Linklist<CStr>::Refill(const char* pattern, bool recursive, const char* prefix) {
  count = 0;
  DeleteNodes();
  return FillFromDirectory(pattern, recursive, prefix);
}

int Linklist<CStr>::FillFromDirectory(const char* pattern, bool recursive, const char* prefix) {
  if (!pattern) return 0;
  const std::string pre = prefix ? prefix : "";
  const std::string pat = pattern;
  int total = 0;
  std::vector<plat::FolderEntry> entries;

  if (recursive) {
    // A pattern without a separator is a mask in the current folder.
    size_t cut = pat.find_last_of("/\\:");
    std::string folder = cut == std::string::npos ? std::string() : pat.substr(0, cut + 1);
    std::string mask = cut == std::string::npos ? pat : pat.substr(cut + 1);
    if (plat::FindFiles(folder + "*.*", entries)) {
      for (const auto& e : entries) {
        // Links to folders are not followed, so a link that points
        // back up the tree cannot make the walk endless.
        if (!e.isDirectory || e.isLink || e.name == "." || e.name == "..") continue;
        std::string sub = folder + e.name + "\\" + mask;
        std::string subPrefix = pre + e.name + "\\";
        total += FillFromDirectory(sub.c_str(), true, subPrefix.c_str());
      }
    }
  }

  if (plat::FindFiles(pat, entries)) {
    for (const auto& e : entries) {
      if (e.name == "." || e.name == "..") continue;
      CStr* name = new (std::nothrow) CStr((pre + e.name).c_str());
      if (!name) continue;
      if (Append(name)) {
        ++count;
        ++total;
      }
    }
  }
  return total;
}
