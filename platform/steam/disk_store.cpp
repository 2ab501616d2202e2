// The local service's store on disk: one file per record set, each written
// beside its target and renamed over it. A file that does not read cleanly
// (the decoder refused it, or it names another record set) reads as empty
// and is kept aside under a name of its own. A file that cannot be read at
// all (no right to read it, a failing disk) is left where it is, and this
// store never writes over it.
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <set>

#include <boost/filesystem.hpp>

#include "platform/debug.h"
#include "platform/files.h"
#include "platform/steam/stores.h"

namespace fs = boost::filesystem;

namespace plat::steam {

namespace {

constexpr std::size_t kMaxContentFiles = 100000;

// Copies a folder tree (regular files and folders; links skipped). Adds the
// bytes copied to size; false on any failure or beyond the file limit.
bool CopyTree(const fs::path& from, const fs::path& to, std::uint64_t& size, std::size_t& files) {
  boost::system::error_code ec;
  if (!fs::create_directories(to, ec) && ec) return false;
  std::vector<plat::FolderEntry> entries;
  if (!plat::ListFolder(from, entries)) return false;
  for (const auto& e : entries) {
    if (e.isLink) continue;
    fs::path src = from / e.name;
    fs::path dst = to / e.name;
    if (++files > kMaxContentFiles) return false;
    if (e.isDirectory) {
      if (!CopyTree(src, dst, size, files)) return false;
    } else if (fs::is_regular_file(src, ec)) {
      fs::copy_file(src, dst, fs::copy_options::overwrite_existing, ec);
      if (ec) return false;
      size += fs::file_size(dst, ec);
      if (ec) return false;
    }
  }
  return true;
}

bool IsInside(const fs::path& inner, const fs::path& outer) {
  boost::system::error_code ec;
  fs::path a = fs::weakly_canonical(inner, ec);
  if (ec) return false;
  fs::path b = fs::weakly_canonical(outer, ec);
  if (ec) return false;
  auto ai = a.begin();
  for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai) {
    if (ai == a.end() || *ai != *bi) return false;
  }
  return true;
}

class DiskStore : public Store {
 public:
  explicit DiskStore(fs::path root) : root_(std::move(root)) {}

  fs::path UserDir(UserId user) const { return root_ / "users" / std::to_string(user); }
  fs::path ItemDir(ItemId id) const { return root_ / "workshop" / std::to_string(id); }

  fs::path StatsPath(UserId user, AppId app) const { return UserDir(user) / ("stats-" + std::to_string(app) + ".txt"); }
  fs::path BoardPath(AppId app, const std::string& name) const {
    return root_ / "leaderboards" / std::to_string(app) / (store::HexName(name) + ".txt");
  }

  LoadResult LoadStats(UserId user, AppId app, store::Stats& out) override {
    return ReadStoreFile(StatsPath(user, app), store::DecodeStats, out);
  }
  bool SaveStats(UserId user, AppId app, const store::Stats& s) override {
    return WriteStoreFile(StatsPath(user, app), store::EncodeStats(s));
  }
  LoadResult LoadBoard(AppId app, const std::string& name, store::Board& out) override {
    // A file that names another board is not this board's file: kept aside
    // like any other that does not read cleanly, never written over.
    const LoadResult r = ReadStoreFile(
        BoardPath(app, name),
        [&](const std::string& bytes, store::Board& b) { return store::DecodeBoard(bytes, b) && b.name == name; }, out);
    out.name = name;
    return r;
  }
  bool SaveBoard(AppId app, const store::Board& b) override {
    return WriteStoreFile(BoardPath(app, b.name), store::EncodeBoard(b));
  }
  std::map<ItemId, ItemData> LoadItems() override {
    std::map<ItemId, ItemData> out;
    std::vector<plat::FolderEntry> entries;
    if (!plat::ListFolder(root_ / "workshop", entries)) return out;
    for (const auto& e : entries) {
      if (!e.isDirectory || e.isLink) continue;
      // The item's own id must name its folder.
      store::Item meta;
      const LoadResult r = ReadStoreFile(
          root_ / "workshop" / e.name / "item.txt",
          [&](const std::string& bytes, store::Item& it) {
            return store::DecodeItem(bytes, it) && std::to_string(it.id) == e.name;
          },
          meta);
      if (r != LoadResult::kFound || meta.id == 0) continue;
      ItemData d;
      d.meta = meta;
      boost::system::error_code ec;
      fs::path content = ItemDir(d.meta.id) / "content";
      if (fs::is_directory(content, ec)) d.installFolder = content.string();
      out[d.meta.id] = d;
    }
    return out;
  }
  bool SaveItem(const ItemData& item) override {
    return WriteStoreFile(ItemDir(item.meta.id) / "item.txt", store::EncodeItem(item.meta));
  }
  std::vector<ItemId> LoadSubscriptions(UserId user) override {
    std::vector<ItemId> ids;
    ReadStoreFile(UserDir(user) / "subscribed.txt", store::DecodeIds, ids);
    return ids;
  }
  bool SaveSubscriptions(UserId user, const std::vector<ItemId>& ids) override {
    return WriteStoreFile(UserDir(user) / "subscribed.txt", store::EncodeIds(ids));
  }
  ItemId LoadNextItemId() override {
    store::ServiceState state;
    ReadStoreFile(root_ / "service.txt", store::DecodeService, state);
    return state.nextItemId;
  }
  bool SaveNextItemId(ItemId id) override {
    store::ServiceState s;
    s.nextItemId = id;
    return WriteStoreFile(root_ / "service.txt", store::EncodeService(s));
  }
  std::int32_t TakeContent(ItemData& item, const fs::path& folder, const std::string& preview,
                           bool setContent) override {
    boost::system::error_code ec;
    fs::path dir = ItemDir(item.meta.id);
    if (setContent && !fs::is_directory(folder, ec)) return kResultFileNotFound;
    if (!preview.empty() && !fs::is_regular_file(preview, ec)) return kResultFileNotFound;
    if (setContent && IsInside(dir, folder)) return kResultInvalidParam;  // would copy itself
    if (!plat::MakeDirs(dir)) return kResultFail;
    if (setContent) {
      fs::path tmp = dir / "content.new";
      fs::remove_all(tmp, ec);
      std::uint64_t size = 0;
      std::size_t files = 0;
      if (!CopyTree(folder, tmp, size, files)) {
        fs::remove_all(tmp, ec);
        return kResultFail;
      }
      fs::path content = dir / "content";
      fs::path old = dir / "content.old";
      fs::remove_all(old, ec);
      if (fs::exists(content, ec)) fs::rename(content, old, ec);
      fs::rename(tmp, content, ec);
      if (ec) {
        fs::rename(old, content, ec);
        return kResultFail;
      }
      fs::remove_all(old, ec);
      item.installFolder = content.string();
      item.meta.contentSize = size;
    }
    if (!preview.empty()) {
      std::string ext = fs::path(preview).extension().string();
      if (ext.size() > 16) ext.clear();
      std::string name = "preview" + ext;
      // through a temporary copy, so the stored preview may be sent again
      fs::path tmp = dir / (name + ".new");
      fs::copy_file(preview, tmp, fs::copy_options::overwrite_existing, ec);
      if (!ec) fs::rename(tmp, dir / name, ec);
      if (ec) {
        fs::remove(tmp, ec);
        return kResultFail;
      }
      item.meta.preview = name;
    }
    return kResultOk;
  }
  bool SeedContent(ItemData& item, const std::string& folder) override {
    if (folder.empty()) return true;
    return TakeContent(item, folder, "", true) == kResultOk;
  }

  const fs::path& Root() const { return root_; }

 private:
  // Reads a store file into out. kMissing: no such file (out empty).
  // kFound: read, or damaged and kept aside (out empty). kUnreadable: the
  // file is there but could not be read, or is damaged and could not be kept
  // aside; it stays as it is, out is empty, and no write goes over it.
  template <class T, class Decode>
  LoadResult ReadStoreFile(const fs::path& path, Decode decode, T& out) {
    out = T{};
    std::string bytes;
    int error = 0;
    const plat::ReadFileResult r = plat::ReadWholeFile(path, bytes, store::kMaxFileBytes, &error);
    if (r == plat::ReadFileResult::kMissing) return LoadResult::kMissing;
    if (r == plat::ReadFileResult::kCannotRead) {
      Lock(path, "cannot be read (" + std::string(std::strerror(error)) + ")");
      return LoadResult::kUnreadable;
    }
    if (r == plat::ReadFileResult::kRead && decode(bytes, out)) {
      locked_.erase(path.string());
      return LoadResult::kFound;
    }
    out = T{};
    const fs::path kept = plat::KeepAside(path, ".damaged", &error);
    if (kept.empty() && error == ENOENT) return LoadResult::kMissing;  // gone meanwhile
    if (kept.empty()) {
      Lock(path, "is damaged and cannot be kept aside (" + std::string(std::strerror(error)) + ")");
      return LoadResult::kUnreadable;
    }
    locked_.erase(path.string());
    plat::DebugOutput(("community store: damaged file " + path.string() + " kept as " + kept.filename().string() +
                       " and read as empty\n")
                          .c_str());
    return LoadResult::kFound;
  }

  // Marks a file this store must not write over, saying so the first time.
  void Lock(const fs::path& path, const std::string& why) {
    if (!locked_.insert(path.string()).second) return;
    plat::DebugOutput(
        ("community store: " + path.string() + " " + why + "; left as it is and not written over\n").c_str());
  }

  bool WriteStoreFile(const fs::path& path, const std::string& bytes) {
    if (locked_.count(path.string())) return false;
    if (!plat::MakeDirs(path.parent_path())) return false;
    return plat::WriteFileAtomic(path, bytes.data(), bytes.size());
  }

  fs::path root_;
  std::set<std::string> locked_;  // files that could not be read
};

}  // namespace

std::unique_ptr<Store> NewDiskStore(const fs::path& root) { return std::make_unique<DiskStore>(root); }

}  // namespace plat::steam
