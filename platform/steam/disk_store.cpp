// The local service's store on disk: one file per record set, each written
// beside its target and renamed over it; a damaged file reads as empty and is
// kept aside.
#include <cstdint>
#include <fstream>

#include <boost/filesystem.hpp>

#include "platform/debug.h"
#include "platform/files.h"
#include "platform/steam/stores.h"

namespace fs = boost::filesystem;

namespace plat::steam {

namespace {

constexpr std::size_t kMaxContentFiles = 100000;

// Reads a store file; a missing file gives nullopt, a damaged one (the
// decoder refused it) is moved aside as "<name>.damaged" and reads as empty.
template <class T, class Dec>
std::optional<T> ReadStoreFile(const fs::path& path, Dec decode) {
  boost::system::error_code ec;
  if (!fs::exists(path, ec)) return std::nullopt;
  std::string bytes;
  bool ok = false;
  {
    std::ifstream in(path.string(), std::ios::binary);
    if (in) {
      in.seekg(0, std::ios::end);
      std::streamoff size = in.tellg();
      if (size >= 0 && static_cast<std::uint64_t>(size) <= store::kMaxFileBytes) {
        in.seekg(0);
        bytes.resize(static_cast<std::size_t>(size));
        in.read(bytes.data(), size);
        ok = static_cast<bool>(in) || size == 0;
      }
    }
  }
  T value{};
  if (ok && decode(bytes, value)) return value;
  plat::DebugOutput(("community store: damaged file " + path.string() + " read as empty\n").c_str());
  fs::rename(path, path.string() + ".damaged", ec);
  return T{};
}

bool WriteStoreFile(const fs::path& path, const std::string& bytes) {
  if (!plat::MakeDirs(path.parent_path())) return false;
  return plat::WriteFileAtomic(path, bytes.data(), bytes.size());
}

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

  store::Stats LoadStats(UserId user, AppId app) override {
    auto v = ReadStoreFile<store::Stats>(UserDir(user) / ("stats-" + std::to_string(app) + ".txt"), store::DecodeStats);
    return v ? *v : store::Stats{};
  }
  bool SaveStats(UserId user, AppId app, const store::Stats& s) override {
    return WriteStoreFile(UserDir(user) / ("stats-" + std::to_string(app) + ".txt"), store::EncodeStats(s));
  }
  fs::path BoardPath(AppId app, const std::string& name) const {
    return root_ / "leaderboards" / std::to_string(app) / (store::HexName(name) + ".txt");
  }
  std::optional<store::Board> LoadBoard(AppId app, const std::string& name) override {
    auto v = ReadStoreFile<store::Board>(BoardPath(app, name), store::DecodeBoard);
    if (!v) return std::nullopt;
    if (v->name != name) {  // damaged (moved aside) or not this board's file
      store::Board b;
      b.name = name;
      return b;
    }
    return v;
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
      auto meta = ReadStoreFile<store::Item>(root_ / "workshop" / e.name / "item.txt", store::DecodeItem);
      if (!meta || meta->id == 0 || std::to_string(meta->id) != e.name) continue;
      ItemData d;
      d.meta = *meta;
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
    auto v = ReadStoreFile<std::vector<std::uint64_t>>(UserDir(user) / "subscribed.txt", store::DecodeIds);
    return v ? *v : std::vector<ItemId>{};
  }
  bool SaveSubscriptions(UserId user, const std::vector<ItemId>& ids) override {
    return WriteStoreFile(UserDir(user) / "subscribed.txt", store::EncodeIds(ids));
  }
  ItemId LoadNextItemId() override {
    auto v = ReadStoreFile<store::ServiceState>(root_ / "service.txt", store::DecodeService);
    return v ? v->nextItemId : 0;
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
  fs::path root_;
};

}  // namespace

std::unique_ptr<Store> NewDiskStore(const fs::path& root) { return std::make_unique<DiskStore>(root); }

}  // namespace plat::steam
