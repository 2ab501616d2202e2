#pragma once
// Charms: collectibles drawn from the frames of every ".charms" image set the
// game finds. A charm now and then sits on two free cells of the board; a ball
// that touches it collects it, and the names of every charm ever collected are
// kept in "charms.dat" in the saved-games folder.
#include <boost/filesystem/path.hpp>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "audio/sound_bank.h"

class Entity;
class ImageSet;
struct WorkshopItem;

// One charm: one frame of a charm image set.
struct CharmInfo {
  std::string name;         // the frame name up to its first '_'; unique
  ImageSet* set = nullptr;  // owned by charmSets
  int32_t frame = 0;        // image index in set
  int32_t rarity = 0;       // 0 common, 1..3 uncommon, 4 and above rare
  int32_t weight = 1;       // ChooseCharm leaves the running weight total here
  uint8_t flag = 0;
};

// Where a charm file was found: four ASCII letters, the first in the high byte.
constexpr uint32_t kCharmSourceGame = 0x47414D45u;   // "GAME": a data folder
constexpr uint32_t kCharmSourceLocal = 0x4C4F434Cu;  // "LOCL": the community folder
constexpr uint32_t kCharmSourceCloud = 0x434C4F44u;  // "CLOD": an installed Workshop item

struct CharmFile {
  uint32_t tag = 0;
  boost::filesystem::path path;
};

// Points for a collected charm, by the number collected earlier in the game
// (the last entry for 15 and more).
constexpr int32_t kCharmPoints[16] = {250,  325,  425,  550,  700,  875,  1075, 1300,
                                      1550, 1825, 2125, 2450, 2800, 3175, 3575, 4000};
// Chance weight of a charm by rarity 0..4 (halved once it has been collected).
constexpr int32_t kCharmRarityWeights[5] = {100, 50, 25, 10, 5};
// The longest name "charms.dat" can hold: its length is stored in one byte.
constexpr size_t kMaxCharmNameBytes = 255;
// The largest "charms.dat" a real collection can be. It holds each charm's
// name once, and a name is at most kMaxCharmNameBytes. The charms are the
// frames of the charm sets, a few dozen to a set; kMaxCollectedCharms names,
// each at its longest, are more than a thousand sets of 64 charms could give.
// Their plain form is 1 + 65536 * 256 bytes (16 MiB and the version byte);
// the scrambler adds its length word and at most 15 layers of a 15-byte key
// and a marker (244 bytes), rounded up to 256. A bigger file is not one the
// game wrote: it is kept aside as damaged, unread.
constexpr size_t kMaxCollectedCharms = 65536;
constexpr size_t kMaxCharmsFileBytes = 1 + kMaxCollectedCharms * (1 + kMaxCharmNameBytes) + 4 + 256;
// Where every image of a charm set is anchored when drawn.
constexpr int32_t kCharmHotX = 24;
constexpr int32_t kCharmHotY = 12;
// The sound a collected charm plays.
constexpr SoundEffect kCharmSound = kSoundChChing;

// The charm globals.
extern std::vector<CharmInfo> charms;                        // load order
extern std::unordered_map<std::string, int32_t> charmIndex;  // name to index in charms
extern std::vector<std::unique_ptr<ImageSet>> charmSets;     // loaded sets, kept for the run
extern std::map<std::string, CharmFile> charmFiles;          // file name to where it was found
extern std::set<std::string> collectedCharms;                // every name ever collected
// Set when an existing "charms.dat" could not be read completely: the first
// save of the run keeps that file as "charms.dat.bak" (or, when that name is
// taken by an earlier copy, "charms.dat.bak.1", ...) before replacing it.
extern bool collectedCharmsNeedBackup;
// Empties the charm tables, the sets and the collected names (the entity
// list must hold no charm by then).
void ResetCharmsForTests();

// Finds the ".charms" files of the data folders (GAME), the community folder
// (LOCL, when not empty) and the Workshop items' folders (CLOD), then loads
// them in file-name order and builds the charm table. Starts from empty
// tables; called once at start-up, before any charm is shown.
void LoadCharms(const std::vector<boost::filesystem::path>& dataFolders, const boost::filesystem::path& communityFolder,
                const std::vector<WorkshopItem>& workshopItems);
// Enters each path in charmFiles under its file name; a file name already
// there keeps its first path ("Duplicate charm file: " on the debug output).
void RegisterCharmFile(const std::vector<boost::filesystem::path>& found, uint32_t tag);

// Reads "charms.dat" from savedGamesFolder into collectedCharms (emptied
// first). A missing file leaves the set empty; a damaged one keeps the names
// read before the damage and is kept as "charms.dat.bak" at the first save.
void LoadCollectedCharms();
// Writes collectedCharms to "charms.dat" beside the old file and renames it
// over it. Failures only reach the debug output.
void SaveCollectedCharms();

// The plain form of "charms.dat": a version byte (ignored), then per name a
// length byte and the name's bytes. Adds the names of data[0..size) to out;
// false when a name runs past the end (the names before it are still added).
// A length byte of 0 is skipped.
bool ParseCollectedCharms(const uint8_t* data, size_t size, std::set<std::string>& out);
// Version byte 1, then each name of the set in its order. A name longer than
// kMaxCharmNameBytes cannot be stored and is left out.
std::vector<uint8_t> BuildCollectedCharms(const std::set<std::string>& names);

// A random charm index, rarer and already collected charms less often; -1
// when there are no charms. Leaves the running weight totals in the table.
int32_t ChooseCharm();
// The first charm whose running weight total is at least r, else the last;
// -1 when there are no charms.
int32_t PickCharm(uint32_t r);

// Looks for two open cells one above the other in the top 15 rows and puts a
// chosen charm there. The countdown to the next try becomes 10, or 10000 once
// a charm is placed.
void SpawnCharm();
// Points, sound, stats and sparks for a collected charm; marks it dead. The
// caller clears charmEntity.
void CollectCharm(Entity* charm);
