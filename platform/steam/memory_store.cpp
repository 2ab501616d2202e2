// The fake's store: everything in memory, kept across Shutdown until Reset.
#include <boost/filesystem.hpp>

#include "platform/steam/stores.h"

namespace fs = boost::filesystem;

namespace plat::steam {

namespace {

class MemoryStore : public Store {
 public:
  LoadResult LoadStats(UserId user, AppId app, store::Stats& out) override {
    auto it = stats_.find({user, app});
    out = it == stats_.end() ? store::Stats() : it->second;
    return it == stats_.end() ? LoadResult::kMissing : LoadResult::kFound;
  }
  bool SaveStats(UserId user, AppId app, const store::Stats& s) override {
    stats_[{user, app}] = s;
    return true;
  }
  LoadResult LoadBoard(AppId app, const std::string& name, store::Board& out) override {
    auto it = boards_.find({app, name});
    out = store::Board();
    out.name = name;
    if (it == boards_.end()) return LoadResult::kMissing;
    out = it->second;
    return LoadResult::kFound;
  }
  bool SaveBoard(AppId app, const store::Board& b) override {
    boards_[{app, b.name}] = b;
    return true;
  }
  std::map<ItemId, ItemData> LoadItems() override { return items_; }
  bool SaveItem(const ItemData& item) override {
    items_[item.meta.id] = item;
    return true;
  }
  std::vector<ItemId> LoadSubscriptions(UserId user) override { return subs_[user]; }
  bool SaveSubscriptions(UserId user, const std::vector<ItemId>& ids) override {
    subs_[user] = ids;
    return true;
  }
  ItemId LoadNextItemId() override { return nextId_; }
  bool SaveNextItemId(ItemId id) override {
    nextId_ = id;
    return true;
  }
  std::int32_t TakeContent(ItemData& item, const fs::path& folder, const std::string& preview,
                           bool setContent) override {
    boost::system::error_code ec;
    if (setContent) {
      if (!fs::is_directory(folder, ec)) return kResultFileNotFound;
    }
    if (!preview.empty() && !fs::is_regular_file(preview, ec)) return kResultFileNotFound;
    if (setContent) {
      std::string f = folder.string();
      while (f.size() > 1 && f.back() == '/') f.pop_back();
      item.installFolder = f;
    }
    if (!preview.empty()) item.meta.preview = preview;
    return kResultOk;
  }
  bool SeedContent(ItemData& item, const std::string& folder) override {
    item.installFolder = folder;
    return true;
  }

 private:
  std::map<std::pair<UserId, AppId>, store::Stats> stats_;
  std::map<std::pair<AppId, std::string>, store::Board> boards_;
  std::map<ItemId, ItemData> items_;
  std::map<UserId, std::vector<ItemId>> subs_;
  ItemId nextId_ = 0;
};

}  // namespace

std::unique_ptr<Store> NewMemoryStore() { return std::make_unique<MemoryStore>(); }

}  // namespace plat::steam
