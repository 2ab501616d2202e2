#pragma once
// Where the community service keeps what outlives a session: the stats,
// leaderboards, Workshop items, subscriptions and the next item id. Two
// stores: the fake's in memory (kept across Shutdown until Reset) and the
// local service's on disk, in the file format of store.h.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <boost/filesystem/path.hpp>

#include "platform/steam/steam.h"
#include "platform/steam/store.h"

namespace plat::steam {

struct ItemData {
  store::Item meta;
  std::string installFolder;  // empty: not installed
};

// How a load went. kUnreadable: the record set is there but could not be
// read; it stays as it is and the store refuses to write over it.
enum class LoadResult { kFound, kMissing, kUnreadable };

class Store {
 public:
  virtual ~Store() = default;
  // out: the stats, or empty unless kFound.
  virtual LoadResult LoadStats(UserId user, AppId app, store::Stats& out) = 0;
  virtual bool SaveStats(UserId user, AppId app, const store::Stats& s) = 0;
  // out: the board, named name; no entries unless kFound.
  virtual LoadResult LoadBoard(AppId app, const std::string& name, store::Board& out) = 0;
  virtual bool SaveBoard(AppId app, const store::Board& b) = 0;
  virtual std::map<ItemId, ItemData> LoadItems() = 0;
  virtual bool SaveItem(const ItemData& item) = 0;
  virtual std::vector<ItemId> LoadSubscriptions(UserId user) = 0;
  virtual bool SaveSubscriptions(UserId user, const std::vector<ItemId>& ids) = 0;
  virtual ItemId LoadNextItemId() = 0;
  virtual bool SaveNextItemId(ItemId id) = 0;
  // Takes the content folder (and preview file, may be empty) into the item;
  // fills installFolder, meta.preview and meta.contentSize. Result code.
  virtual std::int32_t TakeContent(ItemData& item, const boost::filesystem::path& folder, const std::string& preview,
                                   bool setContent) = 0;
  // Seeding: an install folder given by a test.
  virtual bool SeedContent(ItemData& item, const std::string& folder) = 0;
};

// The fake's store: everything in memory.
std::unique_ptr<Store> NewMemoryStore();
// The local service's store: the files under root.
std::unique_ptr<Store> NewDiskStore(const boost::filesystem::path& root);

}  // namespace plat::steam
