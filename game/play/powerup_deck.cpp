// The power-up deck and the capsules that fall from broken bricks.
#include "game/play/powerup_deck.h"

#include <utility>

#include "audio/sound_bank.h"
#include "core/random_int.h"
#include "game/game_globals.h"
#include "game/play/brick_hits.h"
#include "game/play/entities.h"
#include "game/play/play_state.h"
#include "platform/clock.h"
#include "platform/random.h"

PowerUpInfo powerUpTable[kPowerUpCount] = {
    {kPowerUpLife, "life", kSoundFanfare, 5, 1, 1},
    {kPowerUpLevel, "level", kSoundSaucer, 5, 1, 1},
    {kPowerUpZap, "zap", kSoundSaucer, 100, 1, 1},
    {kPowerUpSlow, "slow", kSoundSaucer, 100, 1, 1},
    {kPowerUpMultiply, "multiply", kSoundSaucer, 100, 1, 1},
    {kPowerUpThrough, "through", kSoundSaucer, 50, 1, 1},
    {kPowerUpDynamite, "dynamite", kSoundSaucer, 100, 1, 1},
    {kPowerUpFireball, "fireball", kSoundSaucer, 50, 1, 1},
    {kPowerUpLaser, "laser", kSoundSaucer, 50, 1, 1},
    {kPowerUpCatch, "catch", kSoundSaucer, 100, 1, 1},
    {kPowerUpUnused, "", kSoundBoing, 0, 1, 1},
    {kPowerUpExpand, "expand", kSoundEffect2, 100, 1, 1},
    {kPowerUpSplit, "split", kSoundPeow, 100, 1, 1},
    {kPowerUpKill, "kill", kSoundOrchestra, 250, 1, 0},
    {kPowerUpShrink, "shrink", kSoundSweepDown, 100, 1, 1},
    {kPowerUpFast, "fast", kSoundOrchestra, 200, 1, 1},
    {kPowerUpSuperShrink, "supershrink", kSoundSweepDown, 200, 1, 0},
    {kPowerUpFall, "fall", kSoundOrchestra, 200, 1, 1},
    {kPowerUpSmall, "small", kSoundOrchestra, 200, 1, 0},
    {kPowerUpMegaBall, "megaball", kSoundPeow, 50, 1, 1},
    {kPowerUpBigBall, "bigball", kSoundEffect2, 100, 1, 1},
    {kPowerUpLightning, "lightning", kSoundSaucer, 50, 0, 1},
    {kPowerUpDoubleScore, "doublescore", kSoundX2, 50, 0, 1},
    {kPowerUpGravityBall, "gravityball", kSoundSaucer, 75, 0, 0},
};
std::vector<PowerUpId> powerUpDeck;

namespace {
constexpr SoundEffect kSoundDrop = kSoundBang;
constexpr int32_t kDropRollSides = 5;
constexpr uint32_t kDropRollHit = 3;
constexpr int32_t kRandRange = plat::kRandMax + 1;
}  // namespace

PowerUpInfo::PowerUpInfo(PowerUpId id, const std::string& keyword, SoundEffect catchSound, int32_t dropWeight,
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

PowerUpId DrawPowerUpFromDeck() {
  if (powerUpDeck.empty()) BuildPowerUpDeck();
  if (powerUpDeck.empty()) return kPowerUpNone;
  const PowerUpId id = powerUpDeck.back();
  powerUpDeck.pop_back();
  return id;
}

int32_t MaybeDropPowerUp(int32_t column, int32_t row, int32_t force) {
  if (!force) {
    // The roll is drawn even while a capsule blocks the drop.
    const uint32_t roll = RandomInt(kDropRollSides);
    if (roll != kDropRollHit || play.capsuleMarker != 0) return 0;
  }
  const PowerUpId id = DrawPowerUpFromDeck();
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
  Entity* capsule = AppendEntity(kEntityFallingPowerUp, 0, 0, x, y, vx, vy);
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
