// The power-up deck and the capsules that fall from broken bricks.
#include "game/play/powerup_deck.h"

#include <utility>

#include "audio/sound_bank.h"
#include "core/random_int.h"
#include "game/game_globals.h"
#include "game/play/brick_hits.h"
#include "platform/clock.h"
#include "platform/random.h"

PowerUpInfo powerUpTable[kPowerUpCount] = {
    {0, "life", 12, 5, 1, 1},
    {1, "level", 7, 5, 1, 1},
    {2, "zap", 7, 100, 1, 1},
    {3, "slow", 7, 100, 1, 1},
    {4, "multiply", 7, 100, 1, 1},
    {5, "through", 7, 50, 1, 1},
    {6, "dynamite", 7, 100, 1, 1},
    {7, "fireball", 7, 50, 1, 1},
    {8, "laser", 7, 50, 1, 1},
    {9, "catch", 7, 100, 1, 1},
    {10, "", 0, 0, 1, 1},
    {11, "expand", 9, 100, 1, 1},
    {12, "split", 11, 100, 1, 1},
    {13, "kill", 8, 250, 1, 0},
    {14, "shrink", 10, 100, 1, 1},
    {15, "fast", 8, 200, 1, 1},
    {16, "supershrink", 10, 200, 1, 0},
    {17, "fall", 8, 200, 1, 1},
    {18, "small", 8, 200, 1, 0},
    {19, "megaball", 11, 50, 1, 1},
    {20, "bigball", 9, 100, 1, 1},
    {21, "lightning", 7, 50, 0, 1},
    {22, "doublescore", 31, 50, 0, 1},
    {23, "gravityball", 7, 75, 0, 0},
};
std::vector<int32_t> powerUpDeck;

namespace {
constexpr int32_t kSoundDrop = 2;
constexpr int32_t kDropRollSides = 5;
constexpr uint32_t kDropRollHit = 3;
constexpr int32_t kRandRange = plat::kRandMax + 1;
}  // namespace

PowerUpInfo::PowerUpInfo(int32_t id, const std::string& keyword, int32_t catchSound, int32_t dropWeight,
                         int32_t classicAllowed, int32_t kidAllowed)
    : id(id),
      keyword(keyword),
      catchSound(catchSound),
      dropWeight(dropWeight),
      classicAllowed(classicAllowed),
      kidAllowed(kidAllowed) {}

void BuildPowerUpDeck() {
  powerUpDeck.clear();
  if (powerUpDeck.capacity() < kDeckReserve) powerUpDeck.reserve(kDeckReserve);
  for (const PowerUpInfo& row : powerUpTable) {
    if (settings.classicRules && !row.classicAllowed) continue;
    if (settings.kidMode && !row.kidAllowed) continue;
    for (int32_t i = 0; i < row.dropWeight; ++i) powerUpDeck.push_back(row.id);
  }
  plat::Srand(uint32_t(plat::UnixTime()));
  // Entry k swaps with one of 0..k, drawn uniformly from the 15-bit
  // generator: draws in the uneven tail above the last whole multiple of
  // k + 1 are thrown away.
  const size_t n = powerUpDeck.size();
  for (size_t k = 1; k < n && k < size_t(kRandRange); ++k) {
    const int32_t range = int32_t(k) + 1;
    const int32_t limit = kRandRange - kRandRange % range;
    int32_t r;
    do {
      r = plat::Rand();
    } while (r >= limit);
    std::swap(powerUpDeck[k], powerUpDeck[size_t(r % range)]);
  }
}

int32_t DrawPowerUpFromDeck() {
  if (powerUpDeck.empty()) BuildPowerUpDeck();
  if (powerUpDeck.empty()) return -1;
  const int32_t id = powerUpDeck.back();
  powerUpDeck.pop_back();
  return id;
}

int32_t MaybeDropPowerUp(int32_t column, int32_t row, int32_t force) {
  if (!force) {
    // The roll is drawn even while a capsule blocks the drop.
    const uint32_t roll = RandomInt(kDropRollSides);
    if (roll != kDropRollHit || play.capsuleMarker != 0) return 0;
  }
  const int32_t id = DrawPowerUpFromDeck();
  if (id < 0 || id >= kPowerUpCount) return 0;
  const float x = float(boardSet.GetBoardLeft() + kCellWidth * column + kCellWidth / 2);
  const float y = float(kCellHeight * row + 52);
  PlaySoundAt(kSoundDrop, x, 0, 63);
  float vx, vy;
  if (play.lastBallVx == 0 && play.lastBallVy == 0) {
    vx = float(plat::Rand() % 300 - 150);
    vy = float(-(plat::Rand() % 200));
  } else {
    vx = play.lastBallVx + float(plat::Rand() % 100 - 50);
    const float f = float(plat::Rand() % 100) / 100.0f;
    vx *= f;
    vy = play.lastBallVy * f;
  }
  Entity* capsule = AppendEntity(kEntityCapsule, 0, 0, x, y, vx, vy);
  for (int i = 0; i < 8; ++i) {
    const int32_t a = plat::Rand() % 600;
    const int32_t b = plat::Rand() % 600;
    InsertEntityFirst(kEntitySpark, 0, 0, x, y, 0.1f * vx + float(b - 300), 0.1f * vy + float(a - 300));
  }
  play.lastBallVx = 0;
  play.lastBallVy = 0;
  if (!capsule) return 0;
  const PowerUpInfo& info = powerUpTable[id];
  capsule->image = &powerUpSet;
  capsule->value = id;
  capsule->frame = info.imageIndex;
  capsule->flags = info.catchSound;
  return 1;
}
