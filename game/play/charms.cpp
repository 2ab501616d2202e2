// The charm table, choosing and placing a charm, and collecting it.
#include "game/play/charms.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>

#include "audio/sound_bank.h"
#include "community/community_manager.h"
#include "community/workshop_item.h"
#include "core/data_files.h"
#include "core/log.h"
#include "core/random_int.h"
#include "boardset/boardset.h"
#include "game/game_globals.h"
#include "game/play/brick_hits.h"
#include "game/play/entities.h"
#include "game/play/entity_behaviour.h"
#include "game/play/play_state.h"
#include "game/play/scoring.h"
#include "graphics/bitmap.h"
#include "graphics/display.h"
#include "platform/files.h"
#include "platform/random.h"

std::vector<CharmInfo> charms;
std::unordered_map<std::string, int32_t> charmIndex;
std::vector<std::unique_ptr<ImageSet>> charmSets;
std::map<std::string, CharmFile> charmFiles;
std::set<std::string> collectedCharms;
bool collectedCharmsNeedBackup = false;

void ResetCharmsForTests() {
  charms.clear();
  charmIndex.clear();
  charmSets.clear();
  charmFiles.clear();
  collectedCharms.clear();
  collectedCharmsNeedBackup = false;
}

namespace {

constexpr const char* kCharmExtension = ".charms";
constexpr int32_t kCharmRows = 15;         // a charm is only placed in the top rows
constexpr int32_t kCharmRetryBreaks = 10;  // breaks until the next try
constexpr int32_t kCharmShownDelay = 10000;
constexpr int32_t kSparksPerCharm = 100;
constexpr int32_t kSparkLife = 2000;

// The leading decimal digits of text; 0 when there are none. Saturates at
// INT32_MAX: every rarity of 4 and more counts as rare anyway.
int32_t LeadingNumber(const std::string& text) {
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(value);
}

int32_t RarityWeight(int32_t rarity) { return kCharmRarityWeights[std::clamp(rarity, 0, 4)]; }

// Adds the charms of one loaded set to the table.
void AddCharmsOfSet(ImageSet* set, const boost::filesystem::path& path) {
  for (int32_t i = 0; i < set->count; ++i) {
    Image* image = set->GetImage(i);
    image->hotX = kCharmHotX;
    image->hotY = kCharmHotY;
    const std::string full = set->GetName(i).Text();
    const size_t cut = full.find('_');
    const std::string name = full.substr(0, cut);
    if (name.size() > kMaxCharmNameBytes) {
      DebugPrint(FormatString("Charm name too long in file %s\n", path.string().c_str()));
      continue;
    }
    if (charmIndex.count(name)) {
      DebugPrint(FormatString("Duplicate charm named %s in file %s\n", name.c_str(), path.string().c_str()));
      continue;
    }
    CharmInfo info;
    info.name = name;
    info.set = set;
    info.frame = i;
    info.rarity = cut == std::string::npos ? 0 : LeadingNumber(full.substr(cut + 1));
    info.weight = 1;
    info.flag = 0;
    charmIndex.emplace(name, static_cast<int32_t>(charms.size()));
    charms.push_back(std::move(info));
  }
}

}  // namespace

void RegisterCharmFile(const std::vector<boost::filesystem::path>& found, uint32_t tag) {
  for (const boost::filesystem::path& path : found) {
    const std::string name = path.filename().string();
    if (charmFiles.count(name)) {
      DebugPrint("Duplicate charm file: " + path.string() + "\n");
      continue;
    }
    charmFiles.emplace(name, CharmFile{tag, path});
  }
}

void LoadCharms(const std::vector<boost::filesystem::path>& dataFolders, const boost::filesystem::path& communityFolder,
                const std::vector<WorkshopItem>& workshopItems) {
  charms.clear();
  charmIndex.clear();
  charmFiles.clear();
  charmSets.clear();

  DataFiles lister;
  for (const boost::filesystem::path& folder : dataFolders)
    RegisterCharmFile(lister.ListDir(folder, kCharmExtension, true), kCharmSourceGame);
  if (!communityFolder.empty())
    RegisterCharmFile(lister.ListDir(communityFolder, kCharmExtension, true), kCharmSourceLocal);
  // An item without an install folder has no files (an empty path would
  // search the current folder).
  for (const WorkshopItem& item : workshopItems)
    if (!item.folder.empty()) RegisterCharmFile(lister.ListDir(item.folder, kCharmExtension, true), kCharmSourceCloud);

  for (const auto& entry : charmFiles) {
    const boost::filesystem::path& path = entry.second.path;
    // The path as the listing gave it (a '\' in a file name stays part of the
    // name); only a regular file opens, and the open never waits, so a pipe
    // or a device named like a charm set is passed over.
    FILE* f = plat::OpenFile(path, "rb");
    if (!f) continue;
    auto set = std::unique_ptr<ImageSet>(new (std::nothrow) ImageSet());
    const bool loaded = set && set->Load(f);
    std::fclose(f);
    if (!loaded) continue;
    ImageSet* kept = set.get();
    charmSets.push_back(std::move(set));
    AddCharmsOfSet(kept, path);
  }
}

int32_t PickCharm(uint32_t r) {
  if (charms.empty()) return -1;
  for (size_t i = 0; i < charms.size(); ++i) {
    if (static_cast<int64_t>(charms[i].weight) >= static_cast<int64_t>(r)) return static_cast<int32_t>(i);
  }
  return static_cast<int32_t>(charms.size() - 1);
}

int32_t ChooseCharm() {
  if (charms.empty()) return -1;
  int64_t total = 0;
  for (CharmInfo& charm : charms) {
    int32_t weight = RarityWeight(charm.rarity);
    if (collectedCharms.count(charm.name)) weight /= 2;
    total += weight;
    // At most 100 per charm: the running total stays inside int32 for any
    // table that fits in memory many times over.
    charm.weight = static_cast<int32_t>(std::min<int64_t>(total, std::numeric_limits<int32_t>::max()));
  }
  const uint32_t t = static_cast<uint32_t>(std::min<int64_t>(total, std::numeric_limits<uint32_t>::max()));
  return PickCharm(RandomInt(t));
}

void SpawnCharm() {
  const int32_t columns = BoardColumns();
  const uint32_t a = static_cast<uint32_t>(plat::Rand());
  bool found = false;
  int32_t column = 0;
  int32_t row = 0;
  for (int32_t i = 0; i < kCharmRows && !found; ++i) {
    const uint32_t d = static_cast<uint32_t>(plat::Rand());
    row = static_cast<int32_t>((a % kCharmRows + i) % kCharmRows);
    if (columns <= 0) continue;
    for (int32_t j = 0; j < columns; ++j) {
      column = static_cast<int32_t>((d % uint32_t(columns) + uint32_t(j)) % uint32_t(columns));
      if (IsBrickCellOpen(column, row) && IsBrickCellOpen(column, row + 1)) {
        found = true;
        break;
      }
    }
  }
  play.player.charmDelay = kCharmRetryBreaks;
  if (!found) return;
  const int32_t k = ChooseCharm();
  if (k < 0) return;
  const float x = float(boardSet.GetBoardLeft() + 48 * column + 24);
  const float y = float(24 * row + 52);
  Entity* charm = InsertEntityFirst(kEntityCharm, k, 0, x, y, 0.0f, 0.0f);
  if (!charm) return;
  charm->image = charms[size_t(k)].set;
  charm->frame = charms[size_t(k)].frame;
  play.board.charmEntity = charm;
  play.player.charmDelay = kCharmShownDelay;
}

namespace {

// The frame a charm is drawn from, when sparks can be read from it: pixels of
// the display's depth and a real size. Null otherwise.
const Bitmap* SparkSource(const Entity* charm) {
  if (!charm->image || charm->frame < 0) return nullptr;
  const Image* image = charm->image->GetImage(charm->frame);
  if (!image) return nullptr;
  const Bitmap* frame = image->GetFrame(1);
  if (!frame || !frame->pixels || frame->width <= 0 || frame->height <= 0) return nullptr;
  if (frame->bpp != TheDisplay().format.bpp) return nullptr;
  return frame;
}

void MakeSparks(const Entity* charm) {
  const Bitmap* frame = SparkSource(charm);
  if (!frame) return;
  for (int32_t n = 0; n < kSparksPerCharm; ++n) {
    const int32_t px = plat::Rand() % frame->width;
    const int32_t py = plat::Rand() % frame->height;
    SparkFromPixel(*frame, px, py, charm->x - float(frame->hotX) + float(px), charm->y - float(frame->hotY) + float(py),
                   40.0f, 30.0f, kSparkLife, 0);
  }
}

}  // namespace

void CollectCharm(Entity* charm) {
  if (!charm) return;
  // The floating score starts at the charm (a position off every screen
  // shows it at the corner instead of converting it out of range).
  int32_t scoreX = 0, scoreY = 0;
  PositionToInt(charm->x, &scoreX, true);
  PositionToInt(charm->y, &scoreY, true);
  AddScoreAt(kCharmPoints[std::clamp(play.player.charmsThisGame, 0, 15)], scoreX, scoreY);
  PlaySoundAt(kCharmSound, charm->x, 0, 63);
  if (!settings.cheatMode) {
    if (communityManager) communityManager->AddToStat("CharmsCollected", 1.0f);
    if (charm->value >= 0 && size_t(charm->value) < charms.size()) {
      const CharmInfo& info = charms[size_t(charm->value)];
      collectedCharms.insert(info.name);
      if (communityManager) {
        communityManager->SetStat("UniqueCharms", float(collectedCharms.size()));
        if (info.rarity >= 4)
          communityManager->AddToStat("RareCharms", 1.0f);
        else if (info.rarity >= 1)
          communityManager->AddToStat("UncommonCharms", 1.0f);
      }
    }
  }
  ++play.player.charmsThisGame;
  MakeSparks(charm);
  charm->dead = 1;
}
